#pragma once
// Pages as a PDF file: each page printed through this service becomes the next
// landscape A4 page of one document, placed as a print job puts it on paper, the
// page image embedded 1 bit per pixel at its own resolution and compressed with
// JBIG2 (a dithered 600-dpi spectrogram page in about 300 KB). kelvox-render's
// "--out FILE.pdf" and the windows' PDF files when no printer is installed.

#include "print_service.h"

#include <cstdint>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

namespace kelvox {

class PdfDocument final : public PrintService {
public:
    /// Paper: A4 landscape, 842 × 595 points, the printable area 5 mm in from
    /// every edge (like a printer's unprintable edge; the 282.8 × 200 mm page fits).
    static constexpr int kPaperWidthPt = 842, kPaperHeightPt = 595;
    static constexpr double kMarginMm = 5.0;

    /// The document is written to `path`, which the first beginJob creates (and a
    /// beginJob after finish creates anew).
    explicit PdfDocument(std::string path);
    /// Ends the document (finish) if that has not been done.
    ~PdfDocument() override;
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    /// Begins the next page (the first creates the file). Returns "" or why the
    /// file cannot be written; with a page open, keeps it and returns "".
    std::string beginJob() override;
    /// Puts the picture on the page in hand: pageDpi > 0 at its physical size,
    /// page rectangle `source` at source / pageDpi inches from the printable area's
    /// top-left corner; pageDpi 0 stretched over the printable area. Non-white
    /// pixels are black. Later pictures on the same page lie over earlier ones.
    void drawPicture(const QImage& picture, const PageRect& source, int pageDpi) override;
    /// Ends the page in hand; the document stays open for the next. Its pictures are
    /// compressed beside the drawing of the next page, and the page is written when
    /// that one ends (or at finish). Returns "" or a write failure so far.
    std::string endJob() override;
    /// Abandons the page in hand and the document: the file is removed.
    void abortJob() override;
    bool jobOpen() const override { return m_pageOpen; }
    /// Pages for a PDF file need no printer: drawn at 600 dpi.
    int pageResolution() const override { return kMaxPrinterPageDpi; }

    /// Ends the document: the page tree, cross-reference table and trailer. Returns
    /// "" or the failure; a document that was never begun writes nothing.
    std::string finish();
    /// The pages ended so far, written or not.
    int pageCount() const { return static_cast<int>(m_pageObjects.size()) + (m_pageEnded ? 1 : 0); }
    const std::string& path() const { return m_path; }

private:
    struct Placed {
        std::future<std::vector<uint8_t>> jbig2;  // being compressed
        int width = 0, height = 0;
        double x = 0, y = 0, w = 0, h = 0;  // points, from the paper's bottom-left
    };
    int newObject();
    void write(const void* data, std::size_t size);
    void write(const std::string& text);
    void writeStream(int object, const std::string& dictionary, const std::vector<uint8_t>& data);
    /// Writes the ended page that waits for its pictures, if any.
    void writeEndedPage();
    void close();

    std::string m_path;
    std::FILE* m_file = nullptr;
    bool m_failed = false;              // a write failed
    long m_offset = 0;                  // bytes written
    std::vector<long> m_objectOffsets;  // by object number − 1; −1 not written yet
    std::vector<int> m_pageObjects;
    bool m_pageOpen = false;
    std::vector<Placed> m_pictures;  // of the page in hand
    std::vector<Placed> m_ended;     // of the ended page not yet written
    bool m_pageEnded = false;        // m_ended holds a page
};

}  // namespace kelvox
