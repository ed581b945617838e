#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kiruvan {

enum class PictureType { Bitmap, Jpeg, Png };

// The picture type a file name asks for by its extension, without regard to case: ".bmp",
// ".jpg" or ".png"; nullopt for anything else (".jpeg" included).
std::optional<PictureType> pictureTypeFor(const std::filesystem::path& file);

// A baseline JPEG of an image given as rows of 8-bit red, green, blue triples.
std::string encodeJpeg(const std::vector<unsigned char>& rgb, int width, int height, int quality);

// Writes the bytes under a temporary name beside the file and renames it over the file, so that
// a failed write leaves no partial picture. Throws a message naming the file and the reason.
void writePictureFile(const std::filesystem::path& file, const std::string& bytes);

}  // namespace kiruvan
