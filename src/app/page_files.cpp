#include "page_files.h"

#include "monochrome_bitmap.h"
#include "page_raster.h"
#include "pdf_document.h"
#include "qt_print_service.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

namespace kelvox {

namespace {

// Pages up to this size go to the writer whole (an RGB32 page up to 192 dpi is
// 13 MB); larger ones as their 1-bit cut-out, so that no second large page is kept.
constexpr qsizetype kWholePageBytes = 16 << 20;

}  // namespace

bool pageFormatOf(const std::string& path, PageFormat& format)
{
    std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".png")
        format = PageFormat::Png;
    else if (ext == ".bmp")
        format = PageFormat::Bmp;
    else if (ext == ".pdf")
        format = PageFormat::Pdf;
    else
        return false;
    return true;
}

std::string pageFileName(const std::string& pattern, int pageNumber)
{
    const std::size_t at = pattern.find("%d");
    if (at == std::string::npos)
        return pattern;
    return pattern.substr(0, at) + std::to_string(pageNumber) + pattern.substr(at + 2);
}

PageFiles::PageFiles(PlotDevice& device, std::string pattern, PageFormat format)
    : m_device(device), m_pattern(std::move(pattern)), m_format(format),
      m_numbered(m_pattern.find("%d") != std::string::npos)
{
}

void PageFiles::pageFinished(int pageNumber, bool)
{
    if (!m_error.empty())
        return;
    const bool onePdf = m_format == PageFormat::Pdf && !m_numbered;
    if (!m_numbered && !onePdf && m_pages > 0) {
        m_needsNumbered = true;
        m_error = "the run has more than one page, but the output pattern \"" + m_pattern + "\" has no %d";
        return;
    }
    const std::string path = pageFileName(m_pattern, pageNumber);
    if (m_format == PageFormat::Pdf) {
        // One job per page: the next page of the one document, or a file of its own.
        std::unique_ptr<QtPrintService> file;
        if (onePdf && !m_document)
            m_document = std::make_unique<PdfDocument>(path);
        else if (!onePdf)
            file = std::make_unique<QtPrintService>(path);
        PrintService& pdf = onePdf ? static_cast<PrintService&>(*m_document) : *file;
        const std::string failure = printUsedArea(m_device, pdf, PrintFit::PageScale);
        if (!failure.empty()) {
            m_error = path + ": " + failure;
            return;
        }
        pageWritten(pageNumber);
        return;
    }
    takeWriteError();
    if (!m_error.empty())
        return;
    if (m_device.usedarea.isEmpty()) {
        m_error = path + ": the page has no drawn area";
        return;
    }
    PageJob job;
    job.area = m_device.usedarea;
    job.path = path;
    job.format = m_format == PageFormat::Bmp ? "BMP" : "PNG";
    job.whole = std::as_const(m_device).image().sizeInBytes() <= kWholePageBytes;
    if (job.whole) {
        job.image = m_device.takePage(blankPage(), job.drawn);
    } else {
        job.image = monochromeArea(m_device.image(), job.area);
        if (job.image.isNull()) {
            m_error = path + ": the page has no drawn area";
            return;
        }
    }
    {
        std::unique_lock lock(m_mutex);
        if (!m_writer.joinable())
            m_writer = std::thread(&PageFiles::writePages, this);
        // At most two pages wait to be written, so memory stays bounded.
        m_changed.wait(lock, [this] { return m_jobs.size() < 2; });
        m_jobs.push_back(std::move(job));
    }
    m_changed.notify_all();
    pageWritten(pageNumber);
}

bool PageFiles::stopRequested() const
{
    if (!m_error.empty())
        return true;
    std::lock_guard lock(m_mutex);
    return !m_writeError.empty();
}

QImage PageFiles::blankPage()
{
    const QImage& page = std::as_const(m_device).image();
    std::unique_lock lock(m_mutex);
    if (m_blanks.empty() && m_pageImages < 1) {
        ++m_pageImages;
        lock.unlock();
        QImage blank(page.size(), page.format());
        blank.fill(Qt::white);
        return blank;
    }
    m_changed.wait(lock, [this] { return !m_blanks.empty(); });
    QImage blank = std::move(m_blanks.back());
    m_blanks.pop_back();
    return blank;
}

void PageFiles::writePages()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
        PageJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_writing = true;
        lock.unlock();
        m_changed.notify_all();
        std::string failure;
        const QImage area = job.whole ? monochromeArea(job.image, job.area) : job.image;
        if (area.isNull())
            failure = job.path + ": the page has no drawn area";
        else if (!area.save(QString::fromStdString(job.path), job.format))
            failure = job.path + ": cannot write the file";
        if (job.whole)
            clearPage(job);
        lock.lock();
        if (job.whole)
            m_blanks.push_back(std::move(job.image));
        if (!failure.empty() && m_writeError.empty())
            m_writeError = failure;
        m_writing = false;
        m_changed.notify_all();
    }
}

// Makes a page handed over all white again, where it may have been drawn.
void PageFiles::clearPage(PageJob& job)
{
    QImage& image = job.image;
    if (image.format() != QImage::Format_RGB32) {
        image.fill(Qt::white);
        return;
    }
    fillPixels(RasterTarget::of(image), job.drawn.left, job.drawn.top, job.drawn.right, job.drawn.bottom,
               qRgb(255, 255, 255));
}

void PageFiles::takeWriteError()
{
    std::lock_guard lock(m_mutex);
    if (!m_writeError.empty() && m_error.empty())
        m_error = m_writeError;
}

void PageFiles::pageWritten(int pageNumber)
{
    ++m_pages;
    if (m_showProgress)
        std::fprintf(stderr, "\rkelvox-render: page %d", pageNumber);
}

void PageFiles::finish()
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_jobs.empty() && !m_writing; });
    }
    takeWriteError();
    if (m_document) {
        const std::string failure = m_document->finish();
        if (!failure.empty() && m_error.empty())
            m_error = m_pattern + ": " + failure;
    }
    if (m_showProgress && m_pages > 0) {
        std::fputc('\n', stderr);
        m_showProgress = false;
    }
}

PageFiles::~PageFiles()
{
    finish();
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    if (m_writer.joinable())
        m_writer.join();
}

}  // namespace kelvox
