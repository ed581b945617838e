#include "chart/picture_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <jpeglib.h>
#include <stdexcept>

#include "support/temp_folder.h"

namespace kiruvan {
namespace {

TEST(PictureFileTest, TypeFollowsTheExtensionWithoutRegardToCase)
{
    EXPECT_EQ(pictureTypeFor("chart.bmp"), PictureType::Bitmap);
    EXPECT_EQ(pictureTypeFor("chart.JPG"), PictureType::Jpeg);
    EXPECT_EQ(pictureTypeFor("/a.b/chart.Png"), PictureType::Png);
    EXPECT_FALSE(pictureTypeFor("chart.jpeg"));
    EXPECT_FALSE(pictureTypeFor("chart"));
}

// Decodes with libjpeg: width, height and the first pixel.
struct Decoded {
    int width = 0, height = 0;
    unsigned char r = 0, g = 0, b = 0;
};

Decoded decodeJpeg(const std::string& bytes)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    std::vector<unsigned char> row(info.output_width * info.output_components);
    Decoded d{static_cast<int>(info.output_width), static_cast<int>(info.output_height)};
    JSAMPROW rows[] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    d.r = row[0];
    d.g = row[1];
    d.b = row[2];
    jpeg_abort_decompress(&info);
    jpeg_destroy_decompress(&info);
    return d;
}

TEST(PictureFileTest, JpegReadsBackWithItsSizeAndColours)
{
    const int width = 33, height = 17;
    std::vector<unsigned char> rgb;
    for (int i = 0; i < width * height; ++i)
        rgb.insert(rgb.end(), {255, 255, 0});
    const Decoded d = decodeJpeg(encodeJpeg(rgb, width, height, 100));
    EXPECT_EQ(d.width, width);
    EXPECT_EQ(d.height, height);
    EXPECT_GE(d.r, 250);
    EXPECT_GE(d.g, 250);
    EXPECT_LE(d.b, 5);
    EXPECT_THROW(encodeJpeg(rgb, width, height + 1, 100), std::invalid_argument);
}

TEST(PictureFileTest, WriteReplacesTheFileAndLeavesNothingOnFailure)
{
    test::TempFolder temp;
    const auto file = temp.file("chart.bmp");
    writePictureFile(file, "old");
    writePictureFile(file, "new picture");
    EXPECT_EQ(test::readFile(file), "new picture");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);

    const auto missing = temp.file("no such folder") / "chart.bmp";
    try {
        writePictureFile(missing, "bytes");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(missing.string()), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);
}

}  // namespace
}  // namespace kiruvan
