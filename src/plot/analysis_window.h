#pragma once
// What the three analysis windows (spectrogram, section, waveform) have in common:
// editable combo boxes and radio groups made the same way, the activation that
// takes the analysis interval, and the run pattern of "Preview", "View next",
// "Print" and "Abort" through the preview and print hosts, one run at a time.

#include "page_hosts.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace kelvox {

class PlotDevice;

class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    AnalysisWindow(RunCoordinator& runs, PlotDevice& plot, QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    /// Shows the plot window (set by start-up; nothing by default).
    std::function<void()> showPlotWindow;
    /// Shows a print failure (default: the application's critical message box).
    std::function<void(const QString&)> showError;

    /// The index of the item whose text equals the box's text, −1 for typed text.
    static int itemIndex(const QComboBox* box);
    /// Sets a box's text: selects the item with that text, or types it.
    static void setBoxText(QComboBox* box, const std::string& text);
    /// The texts as a QStringList (a box's or a radio group's items).
    static QStringList toStringList(const std::vector<std::string>& texts);
    /// The checked button of a radio group.
    static int checkedItem(const QButtonGroup* group);
    /// Shows in `box` the text a run uses: `used` where the run corrected the text
    /// it read (`read`); otherwise, for a typed text that does not say its number
    /// plainly ("-1e9", "12ab"), the number the run read from it. Item texts
    /// ("LTAS", "fs/2", "Auto") stay as they are.
    static void showUsedText(QComboBox* box, const std::string& read, const std::string& used);

    /// Where the buttons and the progress line are, in global coordinates: the
    /// plot window opens clear of them.
    QRect buttonArea() const;

    /// What the window draws, for file names: "spectrogram", "section", "wave".
    virtual QString viewName() const = 0;
    /// The page of this window's preview the plot window shows (or last showed).
    int shownPage() const;

    /// True while a run of this window is active.
    bool running() const { return m_preview != nullptr || m_print != nullptr; }

protected:
    /// Called when the window becomes active (and when a run starts): take the
    /// analysis interval, empty the read-out regions, update the page count.
    virtual void FormActivate() = 0;

    // Control factories: an editable combo (no insertion of typed texts), a label,
    // a radio group of items in one column, a button; each with its hint.
    QComboBox* makeCombo(const char* name, const QStringList& items, int defaultIndex, const char* hint,
                         const QRect& geometry);
    QLabel* makeLabel(const char* name, const QString& text, const char* hint, const QRect& geometry);
    QButtonGroup* makeRadioGroup(const char* name, const QString& title, const QStringList& items, int defaultIndex,
                                 const char* hint, const QRect& geometry);
    QPushButton* makeButton(const char* name, const QString& text, const char* hint, const QRect& geometry);

    /// "Preview": begins a screen page, shows the plot window and runs `run` with
    /// the preview host; `next` is enabled while the run waits for it, `abort` (if
    /// the window has one) while the run is active. A run that is active elsewhere
    /// is ended first and this one starts right after.
    void startPreview(QPushButton* next, QPushButton* abort, std::function<void(PageHost&)> run);
    /// "Print": keeps the screen page, begins a print page at the resolution the
    /// print service draws for (the printer's own, at most 600 dpi; 600 dpi for PDF
    /// files), enables `abort` (if the window has one), shows the wait cursor and runs `run` with the print host
    /// (each page one job); then the screen page comes back as it was.
    void startPrint(QPushButton* abort, std::function<void(PageHost&)> run);
    /// "View next" / "Next".
    void nextPage();
    /// "Abort": ends a print run (abandoning the job in hand) or a preview run.
    void abortRun();

    /// How far the window's run has come.
    virtual RunProgress runProgress() const = 0;
    /// The progress line under the buttons: while a run is active, the page in hand
    /// and the time reached, refreshed a few times a second; empty otherwise.
    QLabel* makeProgressLabel(const QRect& geometry);
    /// "Page 2: 61.350 s of 0.000 to 3600.000 s".
    static QString progressText(const RunProgress& progress);

    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    RunCoordinator& m_runs;
    PlotDevice& m_plot;

private:
    /// Starts and ends the progress line of a run.
    void followProgress(bool on);
    void showProgress();

    PreviewHost* m_preview = nullptr;
    PrintHost* m_print = nullptr;
    QLabel* m_progress = nullptr;
    QTimer* m_progressTimer = nullptr;
    int m_shownPage = 0;  // of the last preview
};

}  // namespace kelvox
