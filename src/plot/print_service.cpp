#include "print_service.h"

#include "monochrome_bitmap.h"

namespace kelvox {

QRect printDestination(const PageRect& source, int printerDpi, int pageDpi)
{
    if (pageDpi <= 0)
        return {};
    auto scale = [&](int v) { return static_cast<int>(static_cast<long long>(v) * printerDpi / pageDpi); };
    const int left = scale(source.left), top = scale(source.top);
    return QRect(left, top, scale(source.right) - left, scale(source.bottom) - top);
}

std::string printUsedArea(PlotDevice& device, PrintService& service, PrintFit fit)
{
    const PageRect area = device.usedarea.ordered();
    if (area.isEmpty())
        return "There is nothing to print: the page area is empty.";
    if (!service.jobOpen()) {
        std::string error = service.beginJob();
        if (!error.empty())
            return error;
    }
    switchToMonochrome(device.image());
    const QImage picture = monochromeArea(device.image(), area);
    if (picture.isNull()) {
        service.abortJob();
        return "The page area is too large to print.";
    }
    service.drawPicture(picture, area, fit == PrintFit::PageScale ? device.resolution() : 0);
    return service.endJob();
}

}  // namespace kelvox
