#pragma once

#include <QImage>
#include <filesystem>

namespace kiruvan {

// The picture "Save as image ..." writes: the client area with its lowest 20 pixels covered by
// a black band that carries the program's caption in yellow.
QImage chartPicture(const QImage& clientArea);

// Writes the picture of the client area as a bitmap, JPEG (quality 100) or PNG file, chosen by
// the file name's extension. Any other extension writes nothing and throws; so does a file that
// cannot be written, naming it and the reason, and leaving no partial file.
void SaveBMP_To_Disk(const QImage& clientArea, const std::filesystem::path& file);

}  // namespace kiruvan
