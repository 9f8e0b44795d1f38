#pragma once
// kelvox-render's page host: each finished page's used area goes to one file,
// named by a pattern with %d for the page number, or, for a .pdf pattern without
// %d, to the next page of one PDF; the extension picks the format.

#include "page_run.h"
#include "plot_device.h"

#include <QImage>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelvox {

enum class PageFormat { Png, Bmp, Pdf };

/// The format a file name asks for by its extension (case-insensitive): ".png",
/// ".bmp", ".pdf"; false for any other.
bool pageFormatOf(const std::string& path, PageFormat& format);

/// The pattern with its first "%d" replaced by the page number (no other printf
/// conversions are honoured; "%%" stays as it is written).
std::string pageFileName(const std::string& pattern, int pageNumber);

class PdfDocument;

class PageFiles : public PageHost {
public:
    PageFiles(PlotDevice& device, std::string pattern, PageFormat format);
    ~PageFiles() override;
    /// Writes the page: .png and .bmp hold the used area as the plot window's
    /// "Save" writes it (black and white; the bitmap 1 bit per pixel), .pdf one
    /// landscape A4 page as a print job, the 1-bit page at its resolution. A .pdf
    /// pattern without %d collects every page in that one file, in order; any other
    /// pattern without %d takes one page only: a second page stops the run and is
    /// reported by error().
    void pageFinished(int pageNumber, bool lastPage) override;
    bool stopRequested() const override;
    bool pagesFollowOn() const override { return true; }
    /// Write "page n" on stderr as each page is done (for a terminal).
    void setShowProgress(bool show) { m_showProgress = show; }
    /// Waits until every page file is written (and ends the one PDF); call before
    /// reading error().
    void finish();
    /// Why the last page could not be written ("" when all went well).
    const std::string& error() const { return m_error; }
    /// The run had a second page for a pattern without %d (a usage error).
    bool needsNumberedPattern() const { return m_needsNumbered; }
    int pagesWritten() const { return m_pages; }

private:
    PlotDevice& m_device;
    std::string m_pattern;
    PageFormat m_format;
    bool m_numbered;
    /// Counts a page as done and shows it on a terminal.
    void pageWritten(int pageNumber);

    // The bitmap and PNG files are written by one thread of their own, beside the
    // drawing of the next page. A page of up to 192 dpi goes there whole: the
    // device draws on in a blank image the writer cleared after an earlier page.
    // A finer page, many times larger, goes as its black-and-white cut-out.
    struct PageJob {
        QImage image;
        bool whole = false;  // the page itself, to be cut out, cleared and given back
        PageRect area;       // the used area of a whole page
        PageRect drawn;      // where it may have been drawn
        std::string path;
        const char* format = "BMP";
    };
    void writePages();
    void clearPage(PageJob& job);
    /// A blank image like the device's, once one is free.
    QImage blankPage();
    /// Takes over the writer's first failure, if any.
    void takeWriteError();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<PageJob> m_jobs;    // waiting to be written, in page order
    bool m_writing = false;        // the writer has a job in hand
    std::vector<QImage> m_blanks;  // cleared pages the device may draw in
    int m_pageImages = 0;          // images made for the device besides its own
    bool m_quit = false;
    std::string m_writeError;  // the first page the writer could not write
    std::thread m_writer;      // started with the first bitmap or PNG page

    std::unique_ptr<PdfDocument> m_document;  // the one PDF of every page
    int m_pages = 0;
    bool m_needsNumbered = false;
    bool m_showProgress = false;
    std::string m_error;
};

}  // namespace kelvox
