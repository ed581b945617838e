#include "chart/render/chart_picture.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <stdexcept>

#include "chart/picture_file.h"

namespace kiruvan {
namespace {

constexpr int kBandHeight = 20;
constexpr int kJpegQuality = 100;
const QString kCaption = "Created with Kiruvan by https://kiruvan.example/";

std::string encodedWithQt(const QImage& picture, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format))
        throw std::runtime_error(std::string("The picture could not be encoded as ") + format + ".");
    return bytes.toStdString();
}

std::string encodedAsJpeg(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    std::vector<unsigned char> pixels;
    const auto rowBytes = static_cast<std::size_t>(rgb.width()) * 3;
    pixels.reserve(rowBytes * static_cast<std::size_t>(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y)
        pixels.insert(pixels.end(), rgb.constScanLine(y), rgb.constScanLine(y) + rowBytes);
    return encodeJpeg(pixels, rgb.width(), rgb.height(), kJpegQuality);
}

}  // namespace

QImage chartPicture(const QImage& clientArea)
{
    QImage picture = clientArea.copy();
    const int H = picture.height();
    QPainter painter(&picture);
    painter.fillRect(0, H - kBandHeight, picture.width(), kBandHeight, Qt::black);
    QFont font("DejaVu Sans");
    font.setPixelSize(13);  // 10 points at 96 pixels per inch
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 0));
    painter.drawText(5, H - kBandHeight + QFontMetrics(font).ascent(), kCaption);
    return picture;
}

void SaveBMP_To_Disk(const QImage& clientArea, const std::filesystem::path& file)
{
    const std::optional<PictureType> type = pictureTypeFor(file);
    if (!type)
        throw std::invalid_argument("The picture " + file.string()
                                    + " was not saved: its name must end in .bmp, .jpg or .png.");
    const QImage picture = chartPicture(clientArea);
    switch (*type) {
    case PictureType::Bitmap:
        writePictureFile(file, encodedWithQt(picture.convertToFormat(QImage::Format_RGB888), "BMP"));
        break;
    case PictureType::Jpeg:
        writePictureFile(file, encodedAsJpeg(picture));
        break;
    case PictureType::Png:
        writePictureFile(file, encodedWithQt(picture, "PNG"));
        break;
    }
}

}  // namespace kiruvan
