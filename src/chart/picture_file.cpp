#include "chart/picture_file.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

#include "base/ascii_text.h"
#include "base/file_replace.h"

namespace kiruvan {
namespace {

// libjpeg reports errors through a callback that must not return: jump back to the encoder.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

struct JpegCompressor {
    jpeg_compress_struct info{};
    ~JpegCompressor() { jpeg_destroy_compress(&info); }
};

struct MallocBuffer {
    unsigned char* data = nullptr;
    ~MallocBuffer() { std::free(data); }
};

[[noreturn]] void failWrite(const std::filesystem::path& file, const std::string& reason)
{
    throw std::runtime_error("The picture " + file.string() + " was not saved: " + reason + ".");
}

}  // namespace

std::optional<PictureType> pictureTypeFor(const std::filesystem::path& file)
{
    const std::string extension = asciiLower(file.extension().string());
    if (extension == ".bmp")
        return PictureType::Bitmap;
    if (extension == ".jpg")
        return PictureType::Jpeg;
    if (extension == ".png")
        return PictureType::Png;
    return std::nullopt;
}

std::string encodeJpeg(const std::vector<unsigned char>& rgb, int width, int height, int quality)
{
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<std::size_t>(width) * height * 3)
        throw std::invalid_argument("The picture to encode has no pixels.");
    JpegCompressor compressor;
    JpegError error;
    MallocBuffer buffer;
    unsigned long size = 0;
    compressor.info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    // Nothing with a destructor is created between here and the last libjpeg call.
    if (setjmp(error.jump))
        throw std::runtime_error(std::string("JPEG encoding failed: ") + error.message);
    jpeg_create_compress(&compressor.info);
    jpeg_mem_dest(&compressor.info, &buffer.data, &size);
    compressor.info.image_width = static_cast<JDIMENSION>(width);
    compressor.info.image_height = static_cast<JDIMENSION>(height);
    compressor.info.input_components = 3;
    compressor.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compressor.info);
    jpeg_set_quality(&compressor.info, quality, TRUE);
    jpeg_start_compress(&compressor.info, TRUE);
    const auto stride = static_cast<std::size_t>(width) * 3;
    while (compressor.info.next_scanline < compressor.info.image_height) {
        auto* row = const_cast<JSAMPLE*>(rgb.data() + compressor.info.next_scanline * stride);
        jpeg_write_scanlines(&compressor.info, &row, 1);
    }
    jpeg_finish_compress(&compressor.info);
    return std::string(reinterpret_cast<const char*>(buffer.data), size);
}

void writePictureFile(const std::filesystem::path& file, const std::string& bytes)
{
    if (auto reason = replaceFileContents(file, bytes))
        failWrite(file, *reason);
}

}  // namespace kiruvan
