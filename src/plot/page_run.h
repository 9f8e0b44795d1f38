#pragma once
// The contract between a page run (spectrogram, section, waveform) and whoever
// drives it: the preview window, the printer, kelvox-render or a test.

#include <string>
#include <string_view>
#include <vector>

namespace kelvox {

// Whoever drives a page run: the preview window, the printer, or the batch renderer.
class PageHost {
public:
    virtual ~PageHost() = default;
    // Called after each page with its number (0 for the first); the preview waits here
    // for "View next", the printer sends the page as one job, kelvox-render saves a file.
    virtual void pageFinished(int pageNumber, bool lastPage) = 0;
    // Polled by the run after each page and at its refresh points: "Abort" was pressed,
    // or a newer run or the program's end superseded this one.
    virtual bool stopRequested() const { return false; }
    // True when each page follows the last at once: the host neither waits between
    // pages nor lets anything change the recording or the run meanwhile, so a run
    // may work ahead into its next page (kelvox-render's files).
    virtual bool pagesFollowOn() const { return false; }
};

/// How far a run has come, for a window's progress line: the page in hand (0 for
/// the first, as the captions number pages) and the time reached, with the
/// analysis interval it goes through, in seconds.
struct RunProgress {
    int page = 0;
    double seconds = 0.0;
    double start = 0.0, end = 0.0;
};

/// One control of a settings window as kelvox-render and --help name it: the label
/// the window shows, the items of its list (empty for a plain field), its default.
struct ControlInfo {
    std::string label;
    std::vector<std::string> items;
    std::string defaultValue;
    bool typed = true;  // an editable box or field (any text); false: one of the items
};

/// A page run driven by control labels, as kelvox-render and the fuzz targets do.
/// The run reads the analysis interval from the SignalState it was made with.
class LabelledRun {
public:
    virtual ~LabelledRun() = default;
    /// The controls in the window's order.
    virtual std::vector<ControlInfo> controls() const = 0;
    /// Sets the control `label` to `value`: an item's text picks that item, any other
    /// text is typed text (refused for controls that are not typed). False with a
    /// one-line reason for an unknown label or item.
    virtual bool set(std::string_view label, std::string_view value, std::string& error) = 0;
    /// Draws every page at `dpi` (96: screen page; 97 … 1200: print page at that
    /// resolution), calling host.pageFinished after each.
    virtual void run(int dpi, PageHost& host) = 0;
    /// Asks the run to write data beside its pages: option "--tracks" (the
    /// spectrogram's pitch and level tracks) or "--values" (the section values), as
    /// CSV to `path`. False with a reason when this run has no such data.
    virtual bool setDataOutput(std::string_view option, const std::string& path, std::string& error)
    {
        (void)path;
        error = std::string(option) + " is not available for this view";
        return false;
    }
    /// One line for each setting the last run replaced because it would hang or
    /// divide by zero, e.g. "Time scale mm/s: \"0\" replaced by \"100\"", and for
    /// each it worked out, e.g. "Mid pitch Hz: \"Auto\" set to \"133\"".
    virtual std::vector<std::string> replacements() const = 0;
    /// Whether the run may use a helper thread beside its own (the pages are the
    /// same either way); kelvox-render turns it off when it draws several
    /// recordings at once. Runs without a helper ignore it.
    virtual void setHelperThread(bool on) { (void)on; }
};

}  // namespace kelvox
