#include "page_hosts.h"

#include "plot_device.h"
#include "recording_print_service.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

using namespace kelvox;
using namespace kelvox::test;

namespace {

// A run of `pages` pages that draws a little on each and reports to its host,
// stopping when the host asks, as the page runs do.
struct FakeRun {
    int pages = 3;
    std::vector<int> finished;
    void run(PlotDevice& device, PageHost& host)
    {
        for (int p = 0; p < pages; ++p) {
            device.plotwindow(0, 0, 1, 1, 10, 10, 200, 100, 1);
            device.usedarea = PageRect{0, 0, 300, 200};
            const bool last = p == pages - 1;
            host.pageFinished(p, last);
            finished.push_back(p);
            if (host.stopRequested())
                return;
        }
    }
};

}  // namespace

TEST(PreviewHost, WaitsForViewNextAfterEveryPageButTheLast)
{
    RunCoordinator runs;
    std::vector<bool> nextStates;
    PreviewHost host(runs, [&](bool on) { nextStates.push_back(on); });
    PlotDevice device;
    FakeRun run;
    int clicks = 0;
    std::vector<int> pagesInHand;  // while each page waits
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (host.waiting()) {
            ++clicks;
            pagesInHand.push_back(host.pageInHand());
            host.next();
        }
    });
    clicker.start(5);
    {
        ActiveRun active(runs, host, [&] { host.next(); });
        EXPECT_TRUE(runs.busy());
        run.run(device, host);
    }
    EXPECT_FALSE(runs.busy());
    EXPECT_EQ(run.finished, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(clicks, 2);  // none after the last page
    EXPECT_EQ(nextStates, (std::vector<bool>{true, false, true, false, false}));
    EXPECT_EQ(pagesInHand, (std::vector<int>{0, 1}));
    EXPECT_EQ(host.pageInHand(), 2);  // the last page stays shown
}

TEST(PreviewHost, ASupersedingRunEndsTheWaitingOne)
{
    RunCoordinator runs;
    PreviewHost host(runs, [](bool) {});
    PlotDevice device;
    FakeRun run;
    run.pages = 5;
    QTimer::singleShot(20, [&] { EXPECT_TRUE(runs.supersede()); });
    {
        ActiveRun active(runs, host, [&] { host.next(); });
        run.run(device, host);
    }
    EXPECT_EQ(run.finished, std::vector<int>{0});
    EXPECT_FALSE(runs.supersede());  // nothing active any more
}

TEST(PreviewHost, AbortEndsTheWaitingRun)
{
    RunCoordinator runs;
    std::vector<bool> nextStates;
    PreviewHost host(runs, [&](bool on) { nextStates.push_back(on); });
    PlotDevice device;
    FakeRun run;
    run.pages = 5;
    QTimer::singleShot(0, [&] { host.abort(); });  // pressed while page 0 waits
    {
        ActiveRun active(runs, host, [&] { host.next(); });
        run.run(device, host);
    }
    EXPECT_EQ(run.finished, std::vector<int>{0});
    EXPECT_TRUE(host.aborted());
    EXPECT_EQ(nextStates, (std::vector<bool>{true, false}));
}

TEST(PreviewHost, QuittingEndsTheWaitAndRefusesMore)
{
    RunCoordinator runs;
    PreviewHost host(runs, [](bool) {});
    PlotDevice device;
    FakeRun run;
    QTimer::singleShot(20, [&] { runs.quit(); });
    {
        ActiveRun active(runs, host, [&] { host.next(); });
        run.run(device, host);
    }
    EXPECT_EQ(run.finished.size(), 1u);
    EXPECT_TRUE(runs.quitting());
    EXPECT_TRUE(host.stopRequested());
}

TEST(PrintHost, EachPageIsOneJobAndAbortEndsTheRun)
{
    RunCoordinator runs;
    PlotDevice device;
    RecordingPrintService printer;
    device.setPrintService(&printer);
    QStringList errors;
    PrintHost host(runs, device, [&](const QString& e) { errors << e; });
    FakeRun run;
    {
        ActiveRun active(runs, host);
        run.run(device, host);
    }
    EXPECT_EQ(printer.begun, 3);
    EXPECT_EQ(printer.ended, 3);
    EXPECT_EQ(printer.pageDpi, device.resolution());
    EXPECT_TRUE(errors.isEmpty());

    PrintHost aborting(runs, device, [&](const QString& e) { errors << e; });
    FakeRun second;
    struct AbortAfterFirst : PageHost {
        PrintHost& inner;
        explicit AbortAfterFirst(PrintHost& h) : inner(h) {}
        void pageFinished(int n, bool last) override
        {
            inner.pageFinished(n, last);
            inner.abort();  // "Abort" clicked while the page was spooled
        }
        bool stopRequested() const override { return inner.stopRequested(); }
    } wrapper(aborting);
    second.run(device, wrapper);
    EXPECT_EQ(second.finished, std::vector<int>{0});
    EXPECT_EQ(aborting.pagesPrinted(), 1);
}

TEST(PrintHost, AJobThatCannotStartIsReportedAndEndsTheRun)
{
    RunCoordinator runs;
    PlotDevice device;
    RecordingPrintService printer;
    printer.beginError = "no paper";
    device.setPrintService(&printer);
    QStringList errors;
    PrintHost host(runs, device, [&](const QString& e) { errors << e; });
    FakeRun run;
    run.run(device, host);
    EXPECT_EQ(run.finished.size(), 1u);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("no paper"));
}
