#pragma once
// Printing for the whole program, one page per print job. The page composers, the
// plot window's "Print" and kelvox-render all go through PrintService, so tests
// and the batch renderer can put their own behind it.

#include "plot_device.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <memory>
#include <string>

class QPainter;
class QPrinter;

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
    /// The resolution, in dots per inch, the pages printed through this service are
    /// drawn at: the classic print page's 192 unless the service knows its printer.
    virtual int pageResolution() const { return kPrintDpi; }
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

class PdfDocument;

/// Printing through Qt PrintSupport: the system's default printer in landscape,
/// or, with no printer installed, one PDF file (PdfDocument) of one landscape A4
/// page per job,
/// `<recording name>-print-<n>.pdf` beside the recording (the current folder
/// before any load), n counting up from 1 and never overwriting a file.
class QtPrintService final : public PrintService {
public:
    /// recordingPath gives the loaded sound file's path ("" before any load);
    /// notice receives, once per program run, where the PDF files go.
    QtPrintService(std::function<std::string()> recordingPath,
                   std::function<void(const std::string&)> notice);
    /// Every job writes one landscape A4 page to the PDF file `path` (kelvox-render).
    explicit QtPrintService(std::string pdfPath);
    ~QtPrintService() override;

    /// false: write PDF files even where a printer is installed (tests).
    void setUseInstalledPrinter(bool use) { m_useInstalledPrinter = use; }

    std::string beginJob() override;
    void drawPicture(const QImage& picture, const PageRect& source, int pageDpi) override;
    std::string endJob() override;
    void abortJob() override;
    bool jobOpen() const override { return m_painter != nullptr || m_pdf != nullptr; }
    /// The default printer's own resolution as Qt reports it (the finest of
    /// QPrinterInfo::supportedResolutions; 600 when it lists none), taken into
    /// 96 … 600 dpi; 600 dpi where the pages go to PDF files.
    int pageResolution() const override;

    /// The PDF file the open or last job writes ("" for a printer).
    const std::string& currentPdf() const { return m_currentPdf; }

private:
    std::string nextFallbackPdf();
    void closeJob();

    std::function<std::string()> m_recordingPath;
    std::function<void(const std::string&)> m_notice;
    std::string m_fixedPdf;
    bool m_useInstalledPrinter = true;
    bool m_fallbackJob = false;
    bool m_noticeGiven = false;
    int m_nextNumber = 1;
    std::string m_currentPdf;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    std::unique_ptr<PdfDocument> m_pdf;  // the job of a PDF file
};

}  // namespace kelvox
