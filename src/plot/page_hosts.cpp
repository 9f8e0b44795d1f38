#include "page_hosts.h"

#include "plot_device.h"
#include "print_service.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace kelvox {

// ---------------------------------------------------------------- RunCoordinator

bool RunCoordinator::supersede()
{
    if (!m_active)
        return false;
    m_superseded = true;
    if (m_wake)
        m_wake();
    return true;
}

void RunCoordinator::quit()
{
    m_quitting = true;
    supersede();
}

void RunCoordinator::begin(PageHost* host, std::function<void()> wake)
{
    m_active = host;
    m_wake = std::move(wake);
    m_superseded = false;
}

void RunCoordinator::end(PageHost* host)
{
    if (m_active != host)
        return;
    m_active = nullptr;
    m_wake = nullptr;
    m_superseded = false;
}

ActiveRun::ActiveRun(RunCoordinator& runs, PageHost& host, std::function<void()> wake) : m_runs(runs), m_host(host)
{
    m_runs.begin(&m_host, std::move(wake));
}

ActiveRun::~ActiveRun()
{
    m_runs.end(&m_host);
}

// ---------------------------------------------------------------- PreviewHost

PreviewHost::PreviewHost(RunCoordinator& runs, std::function<void(bool)> setNextEnabled)
    : m_runs(runs), m_setNextEnabled(std::move(setNextEnabled))
{
}

PreviewHost::~PreviewHost()
{
    if (m_loop)
        m_loop->exit();
}

void PreviewHost::pageFinished(int pageNumber, bool lastPage)
{
    m_pageInHand = pageNumber;
    if (lastPage || stopRequested()) {
        m_setNextEnabled(false);
        return;
    }
    m_setNextEnabled(true);
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    m_setNextEnabled(false);
    if (!stopRequested())
        m_pageInHand = pageNumber + 1;
}

bool PreviewHost::stopRequested() const { return m_aborted || m_runs.superseded(this) || m_runs.quitting(); }

void PreviewHost::next()
{
    if (m_loop)
        m_loop->exit();
}

void PreviewHost::abort()
{
    m_aborted = true;
    next();
}

// ---------------------------------------------------------------- PrintHost

PrintHost::PrintHost(RunCoordinator& runs, PlotDevice& device, std::function<void(const QString&)> showError)
    : m_runs(runs), m_device(device), m_showError(std::move(showError))
{
}

void PrintHost::pageFinished(int, bool)
{
    if (m_aborted || m_failed)
        return;
    PrintService* service = m_device.printService();
    const std::string failure =
        service ? printUsedArea(m_device, *service, PrintFit::PageScale) : std::string("No printer is set up.");
    if (!failure.empty()) {
        m_failed = true;
        m_showError(QString::fromStdString(failure));
        return;
    }
    ++m_printed;
    // Let "Abort" and the other windows act between pages.
    QCoreApplication::processEvents();
}

bool PrintHost::stopRequested() const
{
    return m_aborted || m_failed || m_runs.superseded(this) || m_runs.quitting();
}

void PrintHost::abort()
{
    m_aborted = true;
    m_device.plotabort();
}

}  // namespace kelvox
