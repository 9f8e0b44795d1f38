#include "qt_print_service.h"

#include "pdf_document.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace kelvox {

QtPrintService::QtPrintService(std::function<std::string()> recordingPath,
                               std::function<void(const std::string&)> notice)
    : m_recordingPath(std::move(recordingPath)), m_notice(std::move(notice))
{
}

QtPrintService::QtPrintService(std::string pdfPath) : m_fixedPdf(std::move(pdfPath)) {}

QtPrintService::~QtPrintService() { abortJob(); }

std::string QtPrintService::nextFallbackPdf()
{
    const std::string recording = m_recordingPath ? m_recordingPath() : std::string();
    QString folder = QStringLiteral(".");
    QString name = QStringLiteral("kelvox");
    if (!recording.empty()) {
        const QFileInfo info(QString::fromStdString(recording));
        folder = info.path();
        name = info.completeBaseName();
    }
    const QDir dir(folder);
    // Count up from the last number used, past files that already exist.
    for (;; ++m_nextNumber) {
        const QString file = dir.filePath(QStringLiteral("%1-print-%2.pdf").arg(name).arg(m_nextNumber));
        if (!QFileInfo::exists(file)) {
            ++m_nextNumber;
            return file.toStdString();
        }
    }
}

int QtPrintService::pageResolution() const
{
    const QPrinterInfo installed = QPrinterInfo::defaultPrinter();
    if (!m_fixedPdf.empty() || !m_useInstalledPrinter || installed.isNull())
        return kMaxPrinterPageDpi;
    // The finest resolution the printer offers. (A high-resolution QPrinter says
    // 1200 dpi whatever the printer is.) A printer that lists none gets the finest
    // page.
    const QList<int> offered = installed.supportedResolutions();
    if (offered.isEmpty())
        return kMaxPrinterPageDpi;
    return std::clamp(*std::max_element(offered.begin(), offered.end()), kMinPageDpi, kMaxPrinterPageDpi);
}

std::string QtPrintService::beginJob()
{
    if (jobOpen())
        return {};
    m_currentPdf.clear();
    m_fallbackJob = false;
    const QPrinterInfo installed = QPrinterInfo::defaultPrinter();
    if (!m_fixedPdf.empty() || !m_useInstalledPrinter || installed.isNull()) {
        // A PDF file of one page, as the printer would have printed it.
        m_currentPdf = m_fixedPdf.empty() ? nextFallbackPdf() : m_fixedPdf;
        m_fallbackJob = m_fixedPdf.empty();
        m_pdf = std::make_unique<PdfDocument>(m_currentPdf);
        const std::string error = m_pdf->beginJob();
        if (!error.empty()) {
            m_pdf.reset();
            return "Cannot start the print job on " + m_currentPdf + ".";
        }
        return {};
    }
    m_printer = std::make_unique<QPrinter>(installed, QPrinter::HighResolution);
    m_printer->setPageOrientation(QPageLayout::Landscape);
    m_printer->setFullPage(false);
    m_printer->setDocName(QStringLiteral("Kelvox page"));
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        closeJob();
        return "Cannot start the print job on the printer " + installed.printerName().toStdString() + ".";
    }
    return {};
}

void QtPrintService::drawPicture(const QImage& picture, const PageRect& source, int pageDpi)
{
    if (m_pdf) {
        m_pdf->drawPicture(picture, source, pageDpi);
        return;
    }
    if (!m_painter)
        return;
    const QRect target = pageDpi > 0 ? printDestination(source, m_printer->resolution(), pageDpi)
                                     : QRect(0, 0, m_printer->width(), m_printer->height());
    m_painter->drawImage(target, picture);
}

std::string QtPrintService::endJob()
{
    if (!jobOpen())
        return {};
    bool ok = true;
    if (m_pdf) {
        ok = m_pdf->endJob().empty() && m_pdf->finish().empty();
        m_pdf.reset();
    } else {
        ok = m_painter->end();
    }
    const bool fallback = m_fallbackJob;
    closeJob();
    if (!ok)
        return "The print job could not be completed" + (m_currentPdf.empty() ? std::string() : " (" + m_currentPdf + ")") + ".";
    if (fallback && !m_noticeGiven && m_notice) {
        m_noticeGiven = true;
        const QString folder = QFileInfo(QString::fromStdString(m_currentPdf)).absolutePath();
        m_notice("No printer is installed. Each printed page is written as a PDF file into " +
                 folder.toStdString() + "; this page is " + m_currentPdf + ".");
    }
    return {};
}

void QtPrintService::abortJob()
{
    if (m_pdf) {
        m_pdf->abortJob();
        m_pdf.reset();
    }
    if (m_painter) {
        m_printer->abort();
        if (m_painter->isActive())
            m_painter->end();
    }
    closeJob();
}

void QtPrintService::closeJob()
{
    m_painter.reset();
    m_printer.reset();
}

}  // namespace kelvox
