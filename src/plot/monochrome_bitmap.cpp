#include "monochrome_bitmap.h"

#include <QPainter>

namespace kelvox {

void switchToMonochrome(QImage& image)
{
    if (image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = (row[x] & 0x00FFFFFFu) == 0x00FFFFFFu ? 0xFFFFFFFFu : 0xFF000000u;
    }
}

QImage copyArea(const QImage& image, const PageRect& area)
{
    if (area.isEmpty())
        return {};
    QImage out(area.width(), area.height(), QImage::Format_RGB32);
    if (out.isNull())
        return {};
    out.fill(Qt::white);
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(-area.left, -area.top), image);
    return out;
}

QImage monochromeArea(const QImage& image, const PageRect& area)
{
    const QImage rgb = copyArea(image, area);
    if (rgb.isNull())
        return {};
    // Threshold, not dithering: the page holds only black and white.
    return rgb.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

std::string saveMonochromeBmp(QImage& image, const PageRect& areaIn, const std::string& path)
{
    const PageRect area = areaIn.ordered();
    if (area.isEmpty())
        return "There is nothing to save: the selected area is empty.";
    switchToMonochrome(image);
    const QImage mono = monochromeArea(image, area);
    if (mono.isNull())
        return "The area is too large to save.";
    // The format is named: a file name without ".bmp" must still be written.
    if (!mono.save(QString::fromStdString(path), "BMP"))
        return "Cannot write the file " + path + ".";
    return {};
}

}  // namespace kelvox
