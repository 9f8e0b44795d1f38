#pragma once
// The main window's waveform view as arithmetic, without widgets: time zoom and
// scrolling, amplitude buttons, the zero line, mouse selection, typed times, and
// what a paint draws (envelope columns, grid, shading). TForm1 owns one MainView,
// forwards its controls' events to it and copies the control states back.
//
// The view-only values that the analysis windows depend on (zeroOffset in the
// SignalState, firstViewFrame) are recomputed by computeView() whenever their inputs
// change, not only when a paint happens.

#include "signal_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelvox {

/// Min/max of every block of frames of one channel, so that a paint of a long
/// recording need not read every frame. Gives exactly the extremes a full scan gives.
class EnvelopeSummary {
public:
    static constexpr int kBlockFrames = 256;

    /// Extremes of channel `channel` over frames [first, last] inclusive, in 16-bit
    /// units. `lo`/`hi` are widened, never narrowed. Builds the summary for the
    /// channel on first use.
    void widen(const SignalState& s, int channel, int64_t first, int64_t last, int& lo, int& hi);
    /// Forget the summary (after a load, a byte swap or a sign flip).
    void invalidate() { m_channel = -1; }

private:
    void build(const SignalState& s, int channel);
    void buildBlocks(const SignalState& s, int channel, int64_t firstBlock, int64_t endBlock);
    int m_channel = -1;
    std::vector<int16_t> m_min, m_max;
};

enum class TimeField { DisplayStart, DisplayEnd, SelectionStart, SelectionEnd };

class MainView {
public:
    static constexpr int kScrollMax = 10000;
    static constexpr int kZeroLineLimit = 100;

    MainView(SignalState& state, int widthPx = 665, int heightPx = 201);

    int width() const { return m_width; }
    int height() const { return m_height; }
    /// The view was resized. The time scale is kept, so the view shows more or
    /// less time from the same start, except that a view showing the whole file
    /// goes on showing it whole; "-" may contract to the whole file again; the
    /// amplitudes keep filling the height (amplitudeScale).
    void setSize(int widthPx, int heightPx);

    // Control states the form mirrors.
    int timeScrollPosition() const { return m_timeScroll; }
    int timeScrollLargeChange() const { return m_largeChange; }
    int timeScrollSmallChange() const { return m_smallChange; }
    int zeroLinePosition() const { return m_zeroLine; }
    bool zoomInEnabled() const { return m_zoomInEnabled; }
    bool zoomOutEnabled() const { return m_zoomOutEnabled; }
    bool amplitudeUpEnabled() const { return m_ampUpEnabled; }
    bool amplitudeDownEnabled() const { return m_ampDownEnabled; }
    bool dragging() const { return m_dragging; }

    /// After a successful load: "+" enabled, "-" disabled, both scroll bars at 0,
    /// then the view values are computed.
    void afterLoad();
    /// After the samples changed in place (byte swap, sign flip).
    void samplesChanged();

    /// firstViewFrame, firstViewSample and zeroOffset for the current state.
    void computeView();
    int32_t firstViewFrame() const { return m_firstViewFrame; }
    int64_t firstViewSample() const { return m_firstViewSample; }

    // Time zoom ("+", "-"), the time scroll bar and the display interval.
    void zoomIn();
    void zoomOut();
    void updateTimeScroll();
    /// The time scroll bar moved to p (by the user or by the program).
    void setTimeScrollPosition(int p);
    int scrollPositionFor(double t) const;
    void fitDisplayEnd();
    void applyDisplayInterval();
    /// Scrolls by `views` times the span shown (negative: back in time), at least
    /// one scroll step, as the mouse wheel and the Left and Right keys do.
    void scrollBy(double views);

    // Amplitude buttons, zero line, channel.
    void amplitudeUp();
    void amplitudeNormal();
    void amplitudeDown();
    void setZeroLinePosition(int p);
    void setChannel(int channel);

    // Mouse selection on the view, typed times, "S", "All".
    float timeAtPixel(int x) const;
    void mousePress(int x);
    void mouseMove(int x);
    void mouseRelease(int x);
    void typeTime(TimeField field, const std::string& text);
    void showSelection();
    void selectAll();
    /// The text a time field shows ("%5.4f" of the value in force).
    std::string fieldText(TimeField field) const;
    /// What lies under the mouse at column x: "Time %5.4f s  Value %d" with the
    /// time at x and the selected channel's sample (as the file holds it) of the
    /// first frame of the column; "Time %5.4f s" outside the data; "" without a file.
    std::string readoutText(int x) const;

    // What a paint draws.
    struct EnvelopeColumn {
        int x = 0;
        int yLo = 0, yHi = 0;     // line from (x, yLo) to (x, yHi), after an optional jump
        bool jump = false;        // move first to (x - 1, jumpY)
        int jumpY = 0;
    };
    /// Columns 0 … width of the min/max envelope of the selected channel (columns
    /// whose range reaches the last frame are left out). Starts at (0, zeroY()).
    std::vector<EnvelopeColumn> envelope();
    int middleY() const { return m_height / 2; }
    int zeroY() const { return middleY() - m_zeroLine; }

    struct GridLine {
        int x = 0;
        std::string label;
    };
    /// The time grid; sets tickStep(). Counts from time 0 of the file.
    std::vector<GridLine> grid();
    float tickStep() const { return m_tickStep; }

    /// Shaded column ranges outside the selection: [0, left) and [right, width].
    /// -1 when that side has no shading.
    int shadeLeftEnd() const;
    int shadeRightStart() const;

private:
    int yOf(int v) const;
    void clampZeroLine();

    SignalState& m_s;
    int m_width, m_height;
    int m_timeScroll = 0;
    int m_largeChange = 1000;
    int m_smallChange = 50;
    int m_zeroLine = 0;
    bool m_zoomInEnabled = true;
    bool m_zoomOutEnabled = true;
    bool m_ampUpEnabled = true;
    bool m_ampDownEnabled = true;
    bool m_dragging = false;
    float m_dragAnchor = 0.0f;
    int32_t m_firstViewFrame = 0;
    int64_t m_firstViewSample = 0;
    float m_tickStep = 0.1f;
    EnvelopeSummary m_summary;
};

}  // namespace kelvox
