#include "page_files.h"

#include "monochrome_bitmap.h"
#include "plot_device.h"
#include "temp_folder.h"

#include <QImage>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace kelvox;
using namespace kelvox::test;

namespace {

// Page `page` of a run whose lines and boxes move from page to page; page 3 also
// draws beyond the page, inside the image.
void drawPage(PlotDevice& device, int page)
{
    device.plotwindow(0, 0, 1, 1, 0, 0, device.pageWidthPx(), device.pageHeightPx(), 0);
    device.plotclear();
    device.plotmove(20 + 40 * page, 30, 0);
    device.plotmove(300 - 30 * page, 400, 1);
    device.plotwindow(0, 0, 1, 1, 100 + 50 * page, 100, 160 + 50 * page, 200, 0);
    device.plotclear();
    if (page == 3) {
        device.plotwindow(0, 0, 1, 1, 0, 0, 2000, 1400, 0);
        device.plotmove(1500, 1200, 0);
        device.plotmove(1900, 1300, 1);
    }
    device.usedarea = {10 * page, 5, device.pageWidthPx() - 3 * page, device.pageHeightPx() - 2};
}

}  // namespace

// The bitmaps PageFiles writes are the pages one device draws in its one image,
// though the device draws each page in whichever image the writer has cleared:
// more pages than images, so that each image is drawn in several times, and a page
// that draws beyond the page.
TEST(PageFiles, EveryBitmapIsItsPageAsDrawn)
{
    constexpr int kPages = 7;
    std::vector<QImage> expected;
    PlotDevice alone;
    alone.plotscreen();
    for (int page = 0; page < kPages; ++page) {
        drawPage(alone, page);
        expected.push_back(monochromeArea(std::as_const(alone).image(), alone.usedarea));
    }

    const TempFolder folder("kelvox-page-files");
    PlotDevice device;
    device.plotscreen();
    {
        PageFiles files(device, folder.file("page-%d.bmp"), PageFormat::Bmp);
        for (int page = 0; page < kPages; ++page) {
            drawPage(device, page);
            files.pageFinished(page, page == kPages - 1);
        }
        files.finish();
        EXPECT_EQ(files.error(), "");
        EXPECT_EQ(files.pagesWritten(), kPages);
    }
    for (int page = 0; page < kPages; ++page) {
        QImage written(QString::fromStdString(folder.file("page-" + std::to_string(page) + ".bmp")));
        ASSERT_FALSE(written.isNull()) << page;
        EXPECT_TRUE(written.convertToFormat(QImage::Format_RGB32) ==
                    expected[static_cast<std::size_t>(page)].convertToFormat(QImage::Format_RGB32))
            << "page " << page;
    }
}

// A page that cannot be written stops the run, with the file named.
TEST(PageFiles, AFileThatCannotBeWrittenIsReported)
{
    const TempFolder folder("kelvox-page-files");
    PlotDevice device;
    device.plotscreen();
    PageFiles files(device, folder.file("missing/page-%d.png"), PageFormat::Png);
    device.usedarea = {0, 0, 100, 100};
    files.pageFinished(0, false);
    files.finish();
    EXPECT_NE(files.error().find("missing/page-0.png: cannot write the file"), std::string::npos) << files.error();
    EXPECT_TRUE(files.stopRequested());
}
