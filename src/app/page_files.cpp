#include "page_files.h"

#include "monochrome_bitmap.h"
#include "qt_print_service.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kelvox {

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
    if (!m_numbered && m_pages > 0) {
        m_needsNumbered = true;
        m_error = "the run has more than one page, but the output pattern \"" + m_pattern + "\" has no %d";
        return;
    }
    const std::string path = pageFileName(m_pattern, pageNumber);
    if (m_format == PageFormat::Pdf) {
        QtPrintService pdf(path);
        const std::string failure = printUsedArea(m_device, pdf, PrintFit::PageScale);
        if (!failure.empty()) {
            m_error = path + ": " + failure;
            return;
        }
        ++m_pages;
        if (m_showProgress)
            std::fprintf(stderr, "\rkelvox-render: page %d", pageNumber);
        return;
    }
    // The black-and-white cut-out is made here; encoding and writing the file go
    // on beside the drawing of the next page.
    QImage area = monochromeArea(m_device.image(), m_device.usedarea);
    if (area.isNull()) {
        m_error = path + ": the page has no drawn area";
        return;
    }
    const char* format = m_format == PageFormat::Bmp ? "BMP" : "PNG";
    m_pending.push_back(std::async(std::launch::async, [area = std::move(area), path, format]() -> std::string {
        if (!area.save(QString::fromStdString(path), format))
            return path + ": cannot write the file";
        return {};
    }));
    ++m_pages;
    if (m_showProgress)
        std::fprintf(stderr, "\rkelvox-render: page %d", pageNumber);
    // At most two pages wait to be written, so memory stays bounded.
    while (m_pending.size() > 2)
        collectOldest();
}

void PageFiles::collectOldest()
{
    const std::string failure = m_pending.front().get();
    m_pending.pop_front();
    if (!failure.empty() && m_error.empty())
        m_error = failure;
}

void PageFiles::finish()
{
    while (!m_pending.empty())
        collectOldest();
    if (m_showProgress && m_pages > 0) {
        std::fputc('\n', stderr);
        m_showProgress = false;
    }
}

PageFiles::~PageFiles()
{
    finish();
}

}  // namespace kelvox
