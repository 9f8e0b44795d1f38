#pragma once
// A print service for tests: records the jobs a page run or the plot window asks
// for, and can refuse to begin one.

#include "print_service.h"

#include <QImage>

#include <functional>

#include <string>

namespace kelvox::test {

class RecordingPrintService : public PrintService {
public:
    std::string beginError;  // non-empty: beginJob refuses with it
    int begun = 0, ended = 0, aborted = 0;
    bool open = false;
    QImage picture;  // the last picture drawn
    PageRect source;
    int pageDpi = -1;
    std::function<void()> onEndJob;  // runs when a job ends (a user clicking "Abort" then)
    int resolution = kPrintDpi;      // the printer's own resolution, as pages are drawn for it

    std::string beginJob() override
    {
        if (!beginError.empty())
            return beginError;
        if (!open) {
            ++begun;
            open = true;
        }
        return {};
    }
    void drawPicture(const QImage& p, const PageRect& s, int dpi) override
    {
        picture = p;
        source = s;
        pageDpi = dpi;
    }
    std::string endJob() override
    {
        ++ended;
        open = false;
        if (onEndJob)
            onEndJob();
        return {};
    }
    void abortJob() override
    {
        if (open)
            ++aborted;
        open = false;
    }
    bool jobOpen() const override { return open; }
    int pageResolution() const override { return resolution; }
};

}  // namespace kelvox::test
