#pragma once
// Printing through Qt PrintSupport: the PrintService that reaches a real printer,
// or PDF files where none is installed.

#include "print_service.h"

#include <functional>
#include <memory>
#include <string>

class QPainter;
class QPrinter;

namespace kelvox {

/// Printing through Qt PrintSupport: the system's default printer in landscape,
/// or, with no printer installed, one PDF file of one landscape A4 page per job,
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
    bool jobOpen() const override { return m_painter != nullptr; }

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
};

}  // namespace kelvox
