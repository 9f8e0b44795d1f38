#include "qt_print_service.h"

#include <QDir>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

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

std::string QtPrintService::beginJob()
{
    if (m_painter)
        return {};
    m_currentPdf.clear();
    m_fallbackJob = false;
    const QPrinterInfo installed = QPrinterInfo::defaultPrinter();
    if (m_fixedPdf.empty() && m_useInstalledPrinter && !installed.isNull()) {
        m_printer = std::make_unique<QPrinter>(installed, QPrinter::HighResolution);
        m_printer->setPageOrientation(QPageLayout::Landscape);
    } else {
        m_currentPdf = m_fixedPdf.empty() ? nextFallbackPdf() : m_fixedPdf;
        m_fallbackJob = m_fixedPdf.empty();
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(QString::fromStdString(m_currentPdf));
        // A4 with a 5 mm border, like a printer's unprintable edge: the
        // 282.8 × 200 mm page fits inside.
        m_printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                             QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
    }
    m_printer->setFullPage(false);
    m_printer->setDocName(QStringLiteral("Kelvox page"));
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        const std::string target = m_currentPdf.empty() ? "the printer " + installed.printerName().toStdString()
                                                        : m_currentPdf;
        closeJob();
        return "Cannot start the print job on " + target + ".";
    }
    return {};
}

void QtPrintService::drawPicture(const QImage& picture, const PageRect& source, int pageDpi)
{
    if (!m_painter)
        return;
    const QRect target = pageDpi > 0 ? printDestination(source, m_printer->resolution(), pageDpi)
                                     : QRect(0, 0, m_printer->width(), m_printer->height());
    m_painter->drawImage(target, picture);
}

std::string QtPrintService::endJob()
{
    if (!m_painter)
        return {};
    const bool ok = m_painter->end();
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
    if (!m_painter)
        return;
    m_printer->abort();
    if (m_painter->isActive())
        m_painter->end();
    closeJob();
}

void QtPrintService::closeJob()
{
    m_painter.reset();
    m_printer.reset();
}

}  // namespace kelvox
