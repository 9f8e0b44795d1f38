#pragma once
// Printing for the whole program, one page per print job. The page composers, the
// plot window's "Print" and kelvox-render all go through PrintService, so tests
// and the batch renderer can put their own behind it; QtPrintService
// (qt_print_service.h) is the one that reaches a printer.

#include "plot_device.h"

#include <QImage>
#include <QRect>

#include <string>

namespace kelvox {

class PrintService {
public:
    virtual ~PrintService() = default;
    /// Begins a print job of one landscape page. Returns "" or the reason it could
    /// not start. With a job already open, keeps it and returns "".
    virtual std::string beginJob() = 0;
    /// Draws `picture` (the black-and-white cut-out of page rectangle `source`) on
    /// the open job's page. pageDpi > 0: at its size on the page, destination =
    /// source × printer dpi / pageDpi, origin at the printable area's top-left.
    /// pageDpi == 0: stretched over the whole printable area. No job: nothing.
    virtual void drawPicture(const QImage& picture, const PageRect& source, int pageDpi) = 0;
    /// Ends the open job; its page goes out. Returns "" or the failure.
    virtual std::string endJob() = 0;
    /// Abandons the open job, if any.
    virtual void abortJob() = 0;
    virtual bool jobOpen() const = 0;
};

/// Printer rectangle of a page rectangle: each coordinate × printerDpi / pageDpi
/// (integer division, 64-bit products).
QRect printDestination(const PageRect& source, int printerDpi, int pageDpi);

enum class PrintFit {
    PageScale,  // the page's physical size: × printer dpi / page dpi (the print runs)
    WholePage,  // stretched over the printable page (the plot window's "Print")
};

/// Prints the device's `usedarea` as one job: switches the page image to
/// monochrome in place, begins a job unless one is open (plotbegindoc), draws the
/// area (what lies outside the image white) and ends the job. Returns "" or the
/// error; an empty area prints nothing; a failed draw abandons the job.
std::string printUsedArea(PlotDevice& device, PrintService& service, PrintFit fit);

}  // namespace kelvox
