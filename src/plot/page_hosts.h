#pragma once
// The two ways the analysis windows drive a page run: the preview, which shows
// each page in the plot window and waits for "View next", and the printer, which
// sends each page as its own print job. Only one run is active at a time in the
// whole program; RunCoordinator knows which, and ends it when a newer run or the
// program's end supersedes it.

#include "page_run.h"

#include <QString>

#include <functional>

class QEventLoop;

namespace kelvox {

class PlotDevice;

class RunCoordinator {
public:
    /// True while a run is between its start and its return.
    bool busy() const { return m_active != nullptr; }
    /// True once the program is ending: no new run starts.
    bool quitting() const { return m_quitting; }
    /// Asks the active run to end as after its last page (a waiting preview stops
    /// waiting). Returns whether a run was active.
    bool supersede();
    /// The program is ending: supersede the active run and refuse new ones.
    void quit();

    // For the hosts: a run begins and ends.
    void begin(PageHost* host, std::function<void()> wake);
    void end(PageHost* host);
    bool superseded(const PageHost* host) const { return host == m_active && m_superseded; }

private:
    PageHost* m_active = nullptr;
    std::function<void()> m_wake;
    bool m_superseded = false;
    bool m_quitting = false;
};

/// Holds a run's place with the coordinator for the lifetime of one run.
class ActiveRun {
public:
    ActiveRun(RunCoordinator& runs, PageHost& host, std::function<void()> wake = {});
    ~ActiveRun();
    ActiveRun(const ActiveRun&) = delete;
    ActiveRun& operator=(const ActiveRun&) = delete;

private:
    RunCoordinator& m_runs;
    PageHost& m_host;
};

/// Preview: after a page that does not end the run, "View next" is enabled and the
/// run waits in a nested event loop until next() is called (or the run is
/// superseded or aborted); the button is disabled again after every page.
class PreviewHost : public PageHost {
public:
    PreviewHost(RunCoordinator& runs, std::function<void(bool)> setNextEnabled);
    ~PreviewHost() override;
    void pageFinished(int pageNumber, bool lastPage) override;
    bool stopRequested() const override;
    /// "View next": the waiting run draws its next page.
    void next();
    /// "Abort": the run ends at its next stop test (after the section in hand, at
    /// the spectrogram's next refresh point), or at once when it waits.
    void abort();
    bool aborted() const { return m_aborted; }
    bool waiting() const { return m_loop != nullptr; }
    /// The page being drawn or shown: 0 at first; a finished page's number while
    /// it waits and after the run; the next number once "View next" is pressed.
    int pageInHand() const { return m_pageInHand; }
    /// Call when the run begins: registers with the coordinator.
    RunCoordinator& coordinator() { return m_runs; }

private:
    RunCoordinator& m_runs;
    std::function<void(bool)> m_setNextEnabled;
    QEventLoop* m_loop = nullptr;
    bool m_aborted = false;
    int m_pageInHand = 0;
};

/// Print: every page becomes one landscape print job through the device's print
/// service (the used area, black and white, at its physical size). "Abort"
/// abandons the job in hand and ends the run after the current page. Pending
/// events are processed after each page so that "Abort" can be clicked.
class PrintHost : public PageHost {
public:
    PrintHost(RunCoordinator& runs, PlotDevice& device, std::function<void(const QString&)> showError);
    void pageFinished(int pageNumber, bool lastPage) override;
    bool stopRequested() const override;
    /// "Abort": abandon the open job (if any) and end the run.
    void abort();
    bool aborted() const { return m_aborted; }
    int pagesPrinted() const { return m_printed; }

private:
    RunCoordinator& m_runs;
    PlotDevice& m_device;
    std::function<void(const QString&)> m_showError;
    bool m_aborted = false;
    bool m_failed = false;
    int m_printed = 0;
};

}  // namespace kelvox
