#pragma once
// The spectrogram page loop: the page geometry at the chosen print size, the sliding
// sample buffer of the selected channel, and the drawing of one page column pair by
// column pair.

#include "page_layout.h"
#include "plot_device.h"
#include "signal_state.h"
#include "spectrogram_page.h"
#include "spectrogram_parameters.h"
#include "spectrogram_state.h"

namespace kelvox {

/// Most samples the sample buffer holds, and most a refill appends.
inline constexpr int kBufferSamples = 16384;

/// The five sub-displays and strip switches of `layout` on a page of pageWidthPx ×
/// pageHeightPx pixels at `resolution` dpi: scaled from the layout's 2828 × 2000
/// units to the page's pixels (x·width/2828, y·height/2000 in integers), then shrunk
/// by `printScale` (at most 1) toward the waveform strip's (px0, py0); the text size
/// √printScale, the used area sub-display 0's rectangle widened by 30 px above and
/// 2 px right and below (fixedPixels at the resolution), and the spectrogram
/// geometry spgmLeft/Right/Top, rowCount, and timingWidth (the strip's width on the
/// 192-dpi page above 192 dpi, this page's below). Captions and data rectangles are
/// copied unchanged.
SpectrogramGeometry pagegeometry(const PageLayout& layout, int pageWidthPx, int pageHeightPx, int resolution,
                                 double printScale);

/// The recording frame at which the buffer starts for an analysis starting at
/// `startSeconds`: (trunc(2·start·fs) − windowLength) rounded down to an even
/// number, not below 0, halved (about half a window before the start).
int bufferOriginFor(double startSeconds, double sampleRate, int windowLength);

/// Fills the sample buffer from frame buffer.bufferOrigin: up to 16384 samples of
/// the selected channel of `signal` (16-bit units, no DC correction), as many as the
/// channel has before its last dataOffset frames; bufferFill = bufferHigh = that
/// count; then conditions the buffer (p.conditioning, carrying `highPass` on). Zero
/// samples (a start beyond the data) leave bufferFill 0.
void fillSampleBuffer(const SignalState& signal, const SpectrogramParameters& p, SampleBufferState& buffer,
                      HighPassMemory& highPass);

/// Whether slideSampleBuffer slides the buffer at `analysisPos`: it holds data,
/// bufferFill lies below analysisPos + pairStep + windowLength + 512, and the last
/// refill brought data.
bool slideDue(const SpectrogramParameters& p, int analysisPos, const SampleBufferState& buffer);

/// Slides the buffer forward when the pair loop nears its end (bufferFill below
/// analysisPos + pairStep + windowLength + 512) and the last refill brought data:
/// keeps buffer.keepBack samples before the analysis position (lowering keepBack
/// when the position is below it), appends up to 16384 samples of the channel up to
/// bufferHigh, zeros the rest up to bufferHigh and re-conditions the buffer.
/// analysisPos and bufferOrigin move with the samples, so positions stay inside the
/// buffer.
void slideSampleBuffer(const SignalState& signal, const SpectrogramParameters& p, int& analysisPos,
                       SampleBufferState& buffer, HighPassMemory& highPass);

/// The start of the page after one whose last pair ended at `pageTime` (s): 10 mm of
/// time axis before it (pageTimeScale in mm/s, after the print size), cut down to a
/// whole tenth of a second. When that is not later than `pageStart`, the uncut time;
/// when that is not later either (a page narrower than 10 mm), `pageTime` itself, so
/// every page moves the run on.
float nextPageStart(float pageStart, double pageTime, float pageTimeScale);

/// Turns the cursor to the next page of a run: analysisStart and pageTime to
/// nextPageStart, analysisPos back by as many samples. False when that lies before
/// the buffer (analysisPos < 0): the run refills the buffer from the new start.
bool turnPage(const SpectrogramParameters& p, PageCursor& cursor);

/// Draws one page: clears the renderer rows and the page, then walks the column
/// pairs from cursor.pageTime (pitch track when the pitch strip is on; the level
/// pass before the column-pair analysis in "LinPr 17", after it otherwise),
/// refreshes the plot window every 32 pixels unless printing, advances pageTime and
/// analysisPos by pairStep, slides the buffer, and stops at the spectrogram's right
/// edge (timingWidth at timingPixelsPerSecond: a finer page where the 192-dpi page
/// stops), at the end of the data or at p.analysisEnd (then bufferFill = 0: the run's
/// last page); finally pageframe. The page's lines are drawn in one batch of the
/// plot device. With page.lookAhead, the coming pairs are analysed ahead on its
/// helper thread, in its copies of the buffer, up to the slide after next; the
/// slide ahead is taken over from there. The helper stops when the page ends, or
/// with page.lookAcrossPages goes on into the next page (the run stops it at its
/// end).
/// The pages are the same either way. Returns false when page.stopRequested said so at a refresh point (the page
/// is then left unfinished).
bool drawpage(SpectrogramPage& page);

}  // namespace kelvox
