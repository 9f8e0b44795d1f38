#include "main_view.h"

#include "numeric.h"
#include "one_two_five.h"
#include "parse_number.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <thread>

namespace kelvox {

// ---------------------------------------------------------------- EnvelopeSummary

namespace {

// Recordings shorter than this many frames are summarised on the calling thread
// alone: a thread costs more than it saves.
constexpr int64_t kFramesForTwoThreads = 1 << 20;

// Min and max of `count` samples `stride` apart from sample `first` of 16-bit
// little-endian data, all of them inside the file's bytes. The samples are copied
// into a block of words first (on this little-endian machine word for word), so
// that the loops run over whole vectors.
template <int Stride>
void extremes16(const uint8_t* bytes, int64_t first, int64_t stride, int64_t count, int16_t& lo, int16_t& hi)
{
    constexpr int64_t kWords = 2 * EnvelopeSummary::kBlockFrames;
    const int64_t step = Stride > 0 ? Stride : stride;
    const uint8_t* p = bytes + first * 2;
    int16_t mn = lo, mx = hi;
    if (Stride > 0 && count * Stride <= kWords) {
        std::array<int16_t, kWords> words;
        std::memcpy(words.data(), p, static_cast<std::size_t>(((count - 1) * Stride + 1) * 2));
        for (int64_t i = 0; i < count; ++i) {
            const int16_t v = words[static_cast<std::size_t>(i * Stride)];
            mn = std::min(mn, v);
            mx = std::max(mx, v);
        }
    } else {
        for (int64_t i = 0; i < count; ++i, p += step * 2) {
            const auto v = static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
            mn = std::min(mn, v);
            mx = std::max(mx, v);
        }
    }
    lo = mn;
    hi = mx;
}

}  // namespace

void EnvelopeSummary::buildBlocks(const SignalState& s, int channel, int64_t firstBlock, int64_t endBlock)
{
    const int64_t frames = s.frameCount();
    const int64_t channels = s.channelCount;
    // Frames whose sample lies wholly inside the file's bytes; the others read as 0
    // (frameSample), as in a file cut short.
    const int64_t samplesInFile = static_cast<int64_t>(s.fileBytes.size()) / std::max(s.bytesPerSample, 1);
    const bool inData = s.dataOffset >= 0 && channel >= 0 && channel < channels;
    const int64_t framesInFile =
        inData ? std::clamp<int64_t>((samplesInFile - s.dataOffset - channel + channels - 1) / channels, 0, frames) : 0;
    for (int64_t b = firstBlock; b < endBlock; ++b) {
        const int64_t begin = b * kBlockFrames, end = std::min(frames, begin + kBlockFrames);
        int16_t lo = 32767, hi = -32768;
        if (s.bytesPerSample == 2 && end <= framesInFile) {
            const int64_t first = s.dataOffset + begin * channels + channel;
            const uint8_t* bytes = s.fileBytes.data();
            if (channels == 1 && std::endian::native == std::endian::little)
                extremes16<1>(bytes, first, 1, end - begin, lo, hi);
            else if (channels == 2 && std::endian::native == std::endian::little)
                extremes16<2>(bytes, first, 2, end - begin, lo, hi);
            else
                extremes16<0>(bytes, first, channels, end - begin, lo, hi);
        } else {
            for (int64_t f = begin; f < end; ++f) {
                const auto v = static_cast<int16_t>(std::clamp(frameSample(s, f, channel), -32768, 32767));
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        m_min[static_cast<std::size_t>(b)] = lo;
        m_max[static_cast<std::size_t>(b)] = hi;
    }
}

void EnvelopeSummary::build(const SignalState& s, int channel)
{
    const int64_t frames = s.frameCount();
    const int64_t blocks = (frames + kBlockFrames - 1) / kBlockFrames;
    m_min.assign(static_cast<std::size_t>(blocks), 32767);
    m_max.assign(static_cast<std::size_t>(blocks), -32768);
    // A long recording: the second half of the blocks on a second core, each half
    // written by one thread only.
    if (frames >= kFramesForTwoThreads && std::thread::hardware_concurrency() > 1) {
        const int64_t half = blocks / 2;
        std::thread second([&] { buildBlocks(s, channel, half, blocks); });
        buildBlocks(s, channel, 0, half);
        second.join();
    } else {
        buildBlocks(s, channel, 0, blocks);
    }
    m_channel = channel;
}

void EnvelopeSummary::widen(const SignalState& s, int channel, int64_t first, int64_t last, int& lo, int& hi)
{
    if (m_channel != channel)
        build(s, channel);
    const auto blocks = static_cast<int64_t>(m_min.size());
    int64_t f = first;
    while (f <= last) {
        const int64_t block = f / kBlockFrames;
        const int64_t blockEnd = (block + 1) * kBlockFrames - 1;
        if (f >= 0 && f % kBlockFrames == 0 && blockEnd <= last && block < blocks) {
            // A block wholly inside the range: its summary holds the same extremes.
            lo = std::min<int>(lo, m_min[static_cast<std::size_t>(block)]);
            hi = std::max<int>(hi, m_max[static_cast<std::size_t>(block)]);
            f = blockEnd + 1;
        } else {
            const int v = frameSample(s, f, channel);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            ++f;
        }
    }
}

// ---------------------------------------------------------------- MainView

MainView::MainView(SignalState& state, int widthPx, int heightPx)
    : m_s(state), m_width(widthPx), m_height(heightPx)
{
}

void MainView::setSize(int widthPx, int heightPx)
{
    if (widthPx == m_width && heightPx == m_height)
        return;
    const bool whole = m_s.samplesPerPixel >= m_s.maxSamplesPerPixel;
    m_width = widthPx;
    m_height = heightPx;
    const int frames = m_s.frameCount();
    if (!m_s.fileOpened || frames < 1 || m_s.sampleRateHz < 1)
        return;
    // The same formulas as at load, for the new size.
    m_s.maxSamplesPerPixel = static_cast<float>(frames) / static_cast<float>(m_width);
    m_s.amplitudeScale = static_cast<float>(m_height * 0.5 / m_s.peakAmplitude);
    if (whole || m_s.samplesPerPixel > m_s.maxSamplesPerPixel) {
        m_s.samplesPerPixel = m_s.maxSamplesPerPixel;
        m_timeScroll = 0;
        m_s.displayStart = 0.0f;
        m_s.displayEnd = m_s.fileDuration;
    } else {
        fitDisplayEnd();
    }
    updateTimeScroll();
    computeView();
}

void MainView::afterLoad()
{
    m_summary.invalidate();
    m_zoomInEnabled = true;
    m_zoomOutEnabled = false;
    m_timeScroll = 0;
    m_zeroLine = 0;
    m_dragging = false;
    computeView();
}

void MainView::samplesChanged()
{
    m_summary.invalidate();
    computeView();
}

void MainView::computeView()
{
    m_firstViewFrame = satInt(static_cast<double>(m_s.sampleRateHz) * m_s.displayStart);
    m_firstViewSample = static_cast<int64_t>(m_s.dataOffset)
                        + static_cast<int64_t>(m_s.channelCount) * m_firstViewFrame + m_s.selectedChannel;
    // The sample value that lies on the middle line, in raw units.
    double v = -m_zeroLine / (static_cast<double>(m_s.displayGain) * m_s.amplitudeScale);
    if (m_s.bytesPerSample == 1)
        v /= 256.0;
    m_s.zeroOffset = satInt(v + 0.5);
}

// ---------------------------------------------------------------- time axis

void MainView::fitDisplayEnd()
{
    m_s.displayEnd = satFloat(m_s.displayStart
                              + static_cast<double>(m_width) * m_s.samplesPerPixel / m_s.sampleRateHz);
}

void MainView::zoomIn()
{
    m_s.samplesPerPixel = std::max(m_s.samplesPerPixel * 0.5f, 1.0f);
    fitDisplayEnd();
    updateTimeScroll();
    computeView();
}

void MainView::zoomOut()
{
    m_s.samplesPerPixel = std::min(m_s.samplesPerPixel * 2.0f, m_s.maxSamplesPerPixel);
    fitDisplayEnd();
    updateTimeScroll();
    computeView();
}

int MainView::scrollPositionFor(double t) const
{
    const int frames = m_s.frameCount();
    if (frames < 1)
        return 0;
    return satInt(t * kScrollMax * m_s.sampleRateHz / frames);
}

void MainView::updateTimeScroll()
{
    const int frames = m_s.frameCount();
    if (frames < 1)
        return;
    const double inView = static_cast<double>(m_width) * m_s.samplesPerPixel;
    const int maxPos = std::max(0, satInt((1.0 - inView / frames) * kScrollMax));
    if (m_timeScroll > maxPos)
        setTimeScrollPosition(maxPos);  // shifts the view to end near the file's end
    m_largeChange = std::max(1, satInt(inView * 5000.0 / frames));
    m_smallChange = std::max(1, m_largeChange / 50);
    m_zoomInEnabled = m_s.samplesPerPixel > 1.0f;
    m_zoomOutEnabled = m_s.samplesPerPixel < m_s.maxSamplesPerPixel;
}

void MainView::setTimeScrollPosition(int p)
{
    p = std::clamp(p, 0, kScrollMax);
    if (p == m_timeScroll || m_s.sampleRateHz < 1)
        return;
    m_timeScroll = p;
    // The span of the view is kept.
    const double newStart = p * 0.0001 * m_s.frameCount() / m_s.sampleRateHz;
    m_s.displayEnd = satFloat(m_s.displayEnd + newStart - m_s.displayStart);
    m_s.displayStart = satFloat(newStart);
    updateTimeScroll();
    computeView();
}

void MainView::scrollBy(double views)
{
    const int frames = m_s.frameCount();
    if (frames < 1)
        return;
    const double positions = views * m_width * m_s.samplesPerPixel * kScrollMax / frames;
    int step = satInt(std::round(positions));
    if (step == 0 && views != 0.0)
        step = views > 0 ? 1 : -1;
    setTimeScrollPosition(std::clamp(m_timeScroll + step, 0, kScrollMax));
}

void MainView::applyDisplayInterval()
{
    const float duration = m_s.fileDuration;
    m_s.displayStart = std::clamp(m_s.displayStart, 0.0f, duration);
    m_s.displayEnd = std::clamp(m_s.displayEnd, 0.0f, duration);
    if (m_s.displayEnd < m_s.displayStart)
        std::swap(m_s.displayStart, m_s.displayEnd);
    // Typed intervals may zoom further than "+", down to ten columns per frame.
    m_s.samplesPerPixel = std::max(
        0.1f, static_cast<float>((m_s.displayEnd - m_s.displayStart) * static_cast<double>(m_s.sampleRateHz) / m_width));
    updateTimeScroll();
    setTimeScrollPosition(scrollPositionFor(m_s.displayStart));
    computeView();
}

// ---------------------------------------------------------------- amplitude

void MainView::clampZeroLine()
{
    m_zeroLine = std::clamp(m_zeroLine, -kZeroLineLimit, kZeroLineLimit);
}

void MainView::amplitudeUp()
{
    if (m_s.displayGain >= 20.0f) {
        m_ampUpEnabled = false;
        return;
    }
    // The zero line moves with the gain, so the same sample value stays on the middle line.
    m_s.displayGain *= 2.0f;
    m_zeroLine *= 2;
    clampZeroLine();
    m_ampDownEnabled = true;
    computeView();
}

void MainView::amplitudeNormal()
{
    m_zeroLine = satInt(m_zeroLine / static_cast<double>(m_s.displayGain));
    m_s.displayGain = 1.0f;
    computeView();
}

void MainView::amplitudeDown()
{
    // A full-scale signal of 32000 units would no longer fill the view.
    if (m_height / (32000.0 * m_s.amplitudeScale) >= m_s.displayGain) {
        m_ampDownEnabled = false;
        return;
    }
    m_s.displayGain *= 0.5f;
    m_zeroLine /= 2;
    m_ampUpEnabled = true;
    computeView();
}

void MainView::setZeroLinePosition(int p)
{
    m_zeroLine = p;
    clampZeroLine();
    computeView();
}

void MainView::setChannel(int channel)
{
    m_s.selectedChannel = static_cast<int16_t>(std::clamp(channel, 0, std::max(0, m_s.channelCount - 1)));
    computeView();
}

// ---------------------------------------------------------------- selection and typed times

float MainView::timeAtPixel(int x) const
{
    if (m_s.sampleRateHz < 1)
        return 0.0f;
    return satFloat((m_firstViewFrame + static_cast<double>(x) * m_s.samplesPerPixel) / m_s.sampleRateHz);
}

void MainView::mousePress(int x)
{
    m_dragAnchor = timeAtPixel(x);
    m_s.selectionStart = m_dragAnchor;
    m_dragging = true;
}

void MainView::mouseMove(int x)
{
    if (!m_dragging)
        return;
    const float t = timeAtPixel(x);
    if (t > m_dragAnchor) {
        m_s.selectionStart = m_dragAnchor;
        m_s.selectionEnd = t;
    } else {
        m_s.selectionStart = t;
        m_s.selectionEnd = m_dragAnchor;
    }
}

void MainView::mouseRelease(int x)
{
    mouseMove(x);
    m_dragging = false;
    // Mouse selections stay ordered and inside the file, also for a drag made
    // wholly beyond one end.
    m_s.selectionStart = std::clamp(m_s.selectionStart, 0.0f, m_s.fileDuration);
    m_s.selectionEnd = std::clamp(m_s.selectionEnd, 0.0f, m_s.fileDuration);
}

void MainView::typeTime(TimeField field, const std::string& text)
{
    const float v = satFloat(parseNumber(text));
    switch (field) {
    case TimeField::DisplayStart: m_s.displayStart = v; break;
    case TimeField::DisplayEnd: m_s.displayEnd = v; break;
    case TimeField::SelectionStart: m_s.selectionStart = v; break;
    case TimeField::SelectionEnd: m_s.selectionEnd = v; break;
    }
    applyDisplayInterval();
}

void MainView::showSelection()
{
    if (m_s.selectionStart + m_s.selectionEnd == 0.0f)
        return;
    m_s.displayStart = m_s.selectionStart;
    m_s.displayEnd = m_s.selectionEnd;
    applyDisplayInterval();
}

void MainView::selectAll()
{
    m_s.selectionStart = 0.0f;
    m_s.selectionEnd = m_s.fileDuration;
    applyDisplayInterval();
}

std::string MainView::fieldText(TimeField field) const
{
    float v = 0.0f;
    switch (field) {
    case TimeField::DisplayStart: v = m_s.displayStart; break;
    case TimeField::DisplayEnd: v = m_s.displayEnd; break;
    case TimeField::SelectionStart: v = m_s.selectionStart; break;
    case TimeField::SelectionEnd: v = m_s.selectionEnd; break;
    }
    return format("%5.4f", static_cast<double>(v));
}

std::string MainView::readoutText(int x) const
{
    if (!m_s.fileOpened || m_s.sampleRateHz < 1)
        return {};
    const std::string time = format("Time %5.4f s", static_cast<double>(timeAtPixel(x)));
    const int64_t frame = m_firstViewFrame + satInt64(x * static_cast<double>(m_s.samplesPerPixel));
    if (frame < 0 || frame >= m_s.frameCount())
        return time;
    const int64_t index = m_s.dataOffset + static_cast<int64_t>(m_s.channelCount) * frame + m_s.selectedChannel;
    return time + format("  Value %d", rawAtIndex(m_s, index));
}

// ---------------------------------------------------------------- paint data

int MainView::yOf(int v) const
{
    return zeroY() - satInt(static_cast<double>(m_s.displayGain) * m_s.amplitudeScale * v);
}

std::vector<MainView::EnvelopeColumn> MainView::envelope()
{
    std::vector<EnvelopeColumn> columns;
    const int64_t frames = m_s.frameCount();
    if (frames < 1 || !m_s.fileOpened)
        return columns;
    const double spp = m_s.samplesPerPixel;
    int prevHi = 0, prevLo = 0;
    for (int i = 0; i <= m_width; ++i) {
        const int64_t a = m_firstViewFrame + satInt64(i * spp);
        const int64_t b = m_firstViewFrame + satInt64((i + 1) * spp);
        if (b >= frames)
            continue;  // the last partial column and everything after the data stay empty
        // The boundary frame b is counted in both neighbouring columns.
        int hi = -32767, lo = 32767;
        m_summary.widen(m_s, m_s.selectedChannel, a, b, lo, hi);
        EnvelopeColumn c;
        c.x = i;
        if (lo > prevHi) {
            c.jump = true;
            c.jumpY = yOf(prevHi);
        }
        if (hi < prevLo) {
            c.jump = true;
            c.jumpY = yOf(prevLo);
        }
        c.yLo = yOf(lo);
        c.yHi = yOf(hi);
        columns.push_back(c);
        prevHi = hi;
        prevLo = lo;
    }
    return columns;
}

std::vector<MainView::GridLine> MainView::grid()
{
    std::vector<GridLine> lines;
    const double rate = m_s.sampleRateHz;
    const double spp = m_s.samplesPerPixel;
    if (rate < 1 || !(spp > 0))
        return lines;
    const double span = m_width * spp / rate;
    // The grid spacings a paint chooses from, seconds, as floats.
    const std::span<const double> steps = oneTwoFive(0.001, 50);
    const auto tickStep = [&steps](int i) { return static_cast<float>(steps[static_cast<std::size_t>(i)]); };
    int k = 14;
    for (int i = 0; i < 15; ++i)
        if (10.0 * tickStep(i) >= span) {
            k = i;
            break;
        }
    m_tickStep = tickStep(k);
    static const char* const formats[] = {"%7.3f", "%6.2f", "%5.1f", "%3.0f"};
    const char* fmt = formats[std::min(k / 3, 3)];
    const double framesPerTick = rate * m_tickStep;
    // Lines left of the view fall outside it; start a little before the first
    // visible one so that a label reaching into the view is still drawn.
    int64_t n = std::max<int64_t>(0, satInt64((m_firstViewFrame - 100.0 * spp) / framesPerTick));
    constexpr int kMaxLines = 100000;
    for (int count = 0; count < kMaxLines; ++count, ++n) {
        const int x = satInt((framesPerTick * static_cast<double>(n) - m_firstViewFrame) / spp);
        lines.push_back({x, format(fmt, static_cast<double>(n) * m_tickStep)});
        if (x >= m_width)
            break;
    }
    return lines;
}

int MainView::shadeLeftEnd() const
{
    if (!(m_s.selectionStart > m_s.displayStart))
        return -1;
    const int frames = satInt(static_cast<double>(m_s.sampleRateHz) * m_s.selectionStart - m_firstViewFrame);
    return std::clamp(satInt(frames / static_cast<double>(m_s.samplesPerPixel)), 0, m_width + 1);
}

int MainView::shadeRightStart() const
{
    if (!(m_s.selectionEnd < m_s.displayEnd) || m_s.selectionEnd == 0.0f)
        return -1;
    const int frames = satInt(static_cast<double>(m_s.sampleRateHz) * m_s.selectionEnd - m_firstViewFrame);
    return std::clamp(satInt(frames / static_cast<double>(m_s.samplesPerPixel)), 0, m_width + 1);
}

}  // namespace kelvox
