#pragma once
// The owners of a spectrogram page for the page-routine tests: a 16 kHz recording
// held in memory, a 96-dpi page laid out with the built-in layout, the analysis
// working arrays and the run's shared variables, set up the way a run sets them.

#include "analysis_workspace.h"
#include "page_layout.h"
#include "plot_device.h"
#include "signal_state.h"
#include "spectrogram_page.h"
#include "spectrogram_parameters.h"
#include "spectrogram_state.h"

#include <QImage>

#include <vector>

namespace kelvox::test {

/// The sample rate of the page tests' recordings, Hz (PageFixture's default).
constexpr double kRate = 16000.0;

/// A mono 16-bit recording of `samples` at `rateHz`, as the loader leaves it.
SignalState recording(const std::vector<int>& samples, int rateHz);

/// Impulses of `amplitude` every `period` samples, `count` samples long.
std::vector<int> pulseTrain(int period, int count, int amplitude);

struct PageFixture {
    SignalState signal;
    PlotDevice plot;
    AnalysisWorkspace ws;
    SpectrogramParameters p;
    SpectrogramState st;
    SpectrogramPage page{signal, plot, ws, p, st, {}, {}};

    /// A 96-dpi page laid out with the built-in layout at 100 mm/s, print size 100 %,
    /// fs = `sampleRate`, mid pitch 100 Hz, gray range 40 dB, black level 0.
    explicit PageFixture(double sampleRate = kRate);

    /// "Fourier" with an n-point FFT, a raised-cosine window of `windowLength`, a
    /// pair step of `pairStep` and the top frequency fs/2.
    void useFourier(int n, int windowLength, int pairStep);

    /// The high-pass and resonator of the conditioning for mid pitch `midPitch`, and
    /// the pitch limits and "Peak P" decay that go with it.
    void useMidPitch(double midPitch);

    /// `samples` into the sample buffer, conditioned (gain 1).
    void loadBuffer(const std::vector<int>& samples);

    /// `samples` straight into the conditioned buffer (no filtering).
    void setConditioned(const std::vector<float>& samples);

    /// The page routines on these owners, the way the page loop calls them.
    void analysePair();
    /// drawcolumn of ws.AnalysisRe[0 … binCount − 1].
    void drawColumn(int x, int width);
    void levelPass();
    void pitchTrack();
};

bool isBlack(const QImage& image, int x, int y);
bool isWhite(const QImage& image, int x, int y);
/// Black pixels in the rectangle [x0, x1) × [y0, y1).
int blackCount(const QImage& image, int x0, int y0, int x1, int y1);

}  // namespace kelvox::test
