#include "pdf_document.h"

#include "jbig2_generic.h"
#include "monochrome_bitmap.h"

#include <QImage>

#include <cstdio>

namespace kelvox {

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMarginPt = PdfDocument::kMarginMm / kMmPerInch * kPointsPerInch;
// Where a print job places pictures: in device units of a 1200-dpi printer, from
// the printable area's origin (as printDestination computes for a printer).
constexpr int kPlacementDpi = 1200;

// `picture` as rows of bits, 1 = black: a 1-bit image whose colour 0 is black is
// inverted, any other picture is first made black and white (non-white is black).
std::vector<uint8_t> blackBits(const QImage& picture, std::ptrdiff_t& bytesPerLine)
{
    const bool blackFirst = picture.format() == QImage::Format_Mono && picture.colorCount() == 2 &&
                            (picture.color(0) & 0xFFFFFFu) == 0 && (picture.color(1) & 0xFFFFFFu) == 0xFFFFFFu;
    const QImage mono = blackFirst ? picture : monochromeArea(picture, {0, 0, picture.width(), picture.height()});
    bytesPerLine = (mono.width() + 7) / 8;
    std::vector<uint8_t> bits(static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(mono.height()));
    for (int y = 0; y < mono.height(); ++y) {
        const uchar* row = mono.constScanLine(y);
        uint8_t* out = bits.data() + y * bytesPerLine;
        for (std::ptrdiff_t i = 0; i < bytesPerLine; ++i)
            out[i] = static_cast<uint8_t>(~row[i]);
    }
    return bits;
}

std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

}  // namespace

PdfDocument::PdfDocument(std::string path) : m_path(std::move(path)) {}

PdfDocument::~PdfDocument() { finish(); }

int PdfDocument::newObject()
{
    m_objectOffsets.push_back(-1);
    return static_cast<int>(m_objectOffsets.size());
}

void PdfDocument::write(const void* data, std::size_t size)
{
    if (!m_file || m_failed)
        return;
    if (std::fwrite(data, 1, size, m_file) != size)
        m_failed = true;
    m_offset += static_cast<long>(size);
}

void PdfDocument::write(const std::string& text) { write(text.data(), text.size()); }

void PdfDocument::writeStream(int object, const std::string& dictionary, const std::vector<uint8_t>& data)
{
    m_objectOffsets[static_cast<std::size_t>(object) - 1] = m_offset;
    write(std::to_string(object) + " 0 obj\n<< " + dictionary + " /Length " + std::to_string(data.size()) +
          " >>\nstream\n");
    write(data.data(), data.size());
    write("\nendstream\nendobj\n");
}

std::string PdfDocument::beginJob()
{
    if (m_pageOpen)
        return {};
    if (!m_file) {
        if (m_failed)
            return "Cannot write the file " + m_path + ".";
        m_file = std::fopen(m_path.c_str(), "wb");
        if (!m_file) {
            m_failed = true;
            return "Cannot write the file " + m_path + ".";
        }
        m_offset = 0;
        m_objectOffsets.clear();
        m_pageObjects.clear();
        // Objects 1 and 2 are the catalogue and the page tree; the tree is written last.
        newObject();
        newObject();
        write("%PDF-1.5\n%\xE2\xE3\xCF\xD3\n");
        m_objectOffsets[0] = m_offset;
        write("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    }
    m_pictures.clear();
    m_pageOpen = true;
    return {};
}

void PdfDocument::drawPicture(const QImage& picture, const PageRect& source, int pageDpi)
{
    if (!m_pageOpen || picture.isNull())
        return;
    Placed placed;
    std::ptrdiff_t bytesPerLine = 0;
    std::vector<uint8_t> bits = blackBits(picture, bytesPerLine);
    placed.width = picture.width();
    placed.height = picture.height();
    const int dotsPerMetre = pageDpi > 0 ? static_cast<int>(pageDpi / kMmPerInch * 1000.0 + 0.5) : 0;
    // The compression takes longer than drawing a page: it goes on beside the next.
    placed.jbig2 = std::async(std::launch::async, [bits = std::move(bits), width = placed.width, height = placed.height,
                                                   bytesPerLine, dotsPerMetre] {
        return jbig2EmbeddedPage({bits.data(), width, height, bytesPerLine}, dotsPerMetre);
    });
    double left = kMarginPt, top = kMarginPt;
    if (pageDpi > 0) {
        const QRect target = printDestination(source, kPlacementDpi, pageDpi);
        const double pointsPerUnit = kPointsPerInch / kPlacementDpi;
        left += target.left() * pointsPerUnit;
        top += target.top() * pointsPerUnit;
        placed.w = target.width() * pointsPerUnit;
        placed.h = target.height() * pointsPerUnit;
    } else {
        placed.w = kPaperWidthPt - 2 * kMarginPt;
        placed.h = kPaperHeightPt - 2 * kMarginPt;
    }
    placed.x = left;
    placed.y = kPaperHeightPt - top - placed.h;
    m_pictures.push_back(std::move(placed));
}

std::string PdfDocument::endJob()
{
    if (!m_pageOpen)
        return {};
    m_pageOpen = false;
    writeEndedPage();
    m_ended = std::move(m_pictures);
    m_pictures.clear();
    m_pageEnded = true;
    return m_failed ? "Cannot write the file " + m_path + "." : std::string();
}

void PdfDocument::writeEndedPage()
{
    if (!m_pageEnded)
        return;
    m_pageEnded = false;
    const int page = newObject(), contents = newObject();
    std::string drawing, resources;
    for (std::size_t i = 0; i < m_ended.size(); ++i) {
        Placed& p = m_ended[i];
        const int image = newObject();
        const std::string name = "/Im" + std::to_string(i);
        // JBIG2Decode gives 0 for black: a gray image needs no decode array.
        writeStream(image,
                    "/Type /XObject /Subtype /Image /Width " + std::to_string(p.width) + " /Height " +
                        std::to_string(p.height) + " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode",
                    p.jbig2.get());
        resources += name + " " + std::to_string(image) + " 0 R ";
        drawing += "q " + number(p.w) + " 0 0 " + number(p.h) + " " + number(p.x) + " " + number(p.y) + " cm " + name +
                   " Do Q\n";
    }
    m_ended.clear();
    writeStream(contents, "", std::vector<uint8_t>(drawing.begin(), drawing.end()));
    m_objectOffsets[static_cast<std::size_t>(page) - 1] = m_offset;
    write(std::to_string(page) + " 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " +
          std::to_string(kPaperWidthPt) + " " + std::to_string(kPaperHeightPt) + "] /Resources << /XObject << " +
          resources + ">> >> /Contents " + std::to_string(contents) + " 0 R >>\nendobj\n");
    m_pageObjects.push_back(page);
    if (m_file && !m_failed && std::fflush(m_file) != 0)
        m_failed = true;
}

void PdfDocument::abortJob()
{
    if (!m_file)
        return;
    close();
    std::remove(m_path.c_str());
    m_pageOpen = false;
    m_pageEnded = false;
    m_pictures.clear();
    m_ended.clear();
}

std::string PdfDocument::finish()
{
    if (!m_file)
        return {};
    if (m_pageOpen)
        endJob();
    writeEndedPage();
    m_objectOffsets[1] = m_offset;
    std::string kids;
    for (int page : m_pageObjects)
        kids += std::to_string(page) + " 0 R ";
    write("2 0 obj\n<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(m_pageObjects.size()) +
          " >>\nendobj\n");
    const long xref = m_offset;
    std::string table = "xref\n0 " + std::to_string(m_objectOffsets.size() + 1) + "\n0000000000 65535 f \n";
    for (long offset : m_objectOffsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010ld 00000 n \n", offset);
        table += entry;
    }
    write(table);
    write("trailer\n<< /Size " + std::to_string(m_objectOffsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
          std::to_string(xref) + "\n%%EOF\n");
    close();
    return m_failed ? "Cannot write the file " + m_path + "." : std::string();
}

void PdfDocument::close()
{
    if (m_file && std::fclose(m_file) != 0)
        m_failed = true;
    m_file = nullptr;
}

}  // namespace kelvox
