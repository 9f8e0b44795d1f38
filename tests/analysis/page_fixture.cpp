#include "page_fixture.h"

#include "column_pair.h"
#include "column_renderer.h"
#include "conditioning.h"
#include "fft.h"
#include "level_track.h"
#include "page_loop.h"
#include "pitch_track.h"

#include <cmath>
#include <numbers>
#include <span>

namespace kelvox::test {

SignalState recording(const std::vector<int>& samples, int rateHz)
{
    SignalState s;
    s.fileName = "test.wav";
    s.fileOpened = true;
    for (int v : samples) {
        s.fileBytes.push_back(static_cast<uint8_t>(v & 0xFF));
        s.fileBytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    s.fileSize = static_cast<int32_t>(s.fileBytes.size());
    s.sampleCount = static_cast<int32_t>(samples.size());
    s.sampleRateHz = rateHz;
    s.sampleRate = rateHz;
    s.sampleLimit = s.sampleCount;
    s.fileDuration = static_cast<float>(samples.size()) / static_cast<float>(rateHz);
    s.displayEnd = s.fileDuration;
    s.peakAmplitude = 1;
    for (int v : samples)
        s.peakAmplitude = std::max(s.peakAmplitude, static_cast<float>(std::abs(v)));
    return s;
}

std::vector<int> pulseTrain(int period, int count, int amplitude)
{
    std::vector<int> x(static_cast<size_t>(count), 0);
    for (int i = 0; i < count; i += period)
        x[static_cast<size_t>(i)] = amplitude;
    return x;
}

PageFixture::PageFixture(double sampleRate)
{
    plot.plotscreen();
    signal.sampleRateHz = static_cast<int>(sampleRate);
    signal.sampleRate = sampleRate;
    signal.pageTimeScale = 100.0f;
    p.sampleRate = sampleRate;
    p.printScale = 1.0;
    p.geometry = pagegeometry(builtInLayout(), plot.pageWidthPx(), plot.pageHeightPx(), p.printScale);
    plot.plottextsize(p.geometry.textSize);
    const SpectrogramGeometry& g = p.geometry;
    plot.usedarea = {g.usedLeft, g.usedTop, g.usedRight, g.usedBottom};
    p.pixelsPerSecond = std::trunc(96 * 100 / 25.4f);
    p.grayRange = 40.0f;
    p.blackLevel = 0.0f;
    p.gainDb = 0.0f;
    p.levelTop = 60.0;
    p.geometry.sub[PageLayout::kLevel].y0 = 20.0;
    p.waveScale = 1.0f;
    p.levelSmoother = {1.0, 0.0, 0.0};
    p.levelFollower = 1.0;
    useMidPitch(100.0);
}

void PageFixture::useFourier(int n, int windowLength, int pairStep)
{
    fftsetup(ws, n);
    p.analysis = AnalysisType::Fourier;
    p.fftSize = n;
    p.binCount = n / 2;
    p.windowLength = windowLength;
    p.pairStep = pairStep;
    p.firstColumnWidth = 1;
    p.topFrequency = p.sampleRate / 2;
    p.bandwidth = 2.0 * p.sampleRate / windowLength;
    p.analysisWindow.assign(static_cast<size_t>(n) + 1, 0.0f);
    for (int i = 0; i < windowLength; ++i)
        p.analysisWindow[static_cast<size_t>(i)] =
            static_cast<float>((1.0 - std::cos(2 * std::numbers::pi * i / windowLength)) * 0.7);
    p.highWeight.assign(static_cast<size_t>(n) + 1, 0.0f);
    p.lowBandBins = static_cast<int>(n * 1000.0 / p.sampleRate);
    p.highBandStart = p.lowBandBins;
    p.highCutHz = 1000.0;
}

void PageFixture::useMidPitch(double midPitch)
{
    const double fs = p.sampleRate;
    const double w = 2 * 0.7071 * std::numbers::pi * 8.0 / fs;
    p.conditioning.A1 = -2 * std::exp(-w) * std::cos(w);
    p.conditioning.A2 = std::exp(-2 * w);
    const double r1 = std::exp(-4 * std::numbers::pi * midPitch / fs);
    const double r2 = std::exp(-std::numbers::pi * midPitch / fs);
    p.conditioning.B1 = static_cast<float>(r1 + r2);
    p.conditioning.B2 = static_cast<float>(r1 * r2);
    p.peakDecay = static_cast<float>(1.0 - (1.0 - r1) / 8.0);
    p.midPitch = static_cast<float>(midPitch);
    p.minPitch = static_cast<float>(midPitch / 2);
    p.maxPitch = static_cast<float>(midPitch * 2);
    p.geometry.sub[PageLayout::kPitch].y0 = std::log10(midPitch) - 0.30103;
    p.geometry.sub[PageLayout::kPitch].y1 = std::log10(midPitch) + 0.30103;
}

void PageFixture::loadBuffer(const std::vector<int>& samples)
{
    const size_t n = std::min(samples.size(), st.buffer.SampleBuffer.size() - 1);
    for (size_t i = 0; i < n; ++i)
        st.buffer.SampleBuffer[i] = static_cast<int16_t>(samples[i]);
    st.buffer.bufferFill = st.buffer.bufferHigh = static_cast<int>(n);
    p.conditioning.gainFactor = 1.0f;
    st.highPass.hpX1 = st.highPass.hpX2 = st.highPass.hpY1 = st.highPass.hpY2 = 0.0;
    conditionBuffer(p.conditioning, st.highPass, st.buffer);
}

void PageFixture::setConditioned(const std::vector<float>& samples)
{
    for (size_t i = 0; i < samples.size(); ++i)
        st.buffer.ConditionedSamples[i] = samples[i];
    st.buffer.bufferFill = st.buffer.bufferHigh = static_cast<int>(samples.size());
}

void PageFixture::analysePair()
{
    analysepair(p, st.buffer, st.cursor, st.levelTrack.midLevel, st.levelTrack.endLevel, ws, st.renderer, plot);
}

void PageFixture::drawColumn(int x, int width)
{
    drawcolumn(p, std::span<const float>(ws.AnalysisRe.data(), static_cast<size_t>(p.binCount)), x, width, st.renderer,
               plot);
}

void PageFixture::levelPass() { levelpass(p, st.buffer, st.cursor, ws.BandEnergy, st.levelTrack, st.labels, plot); }

void PageFixture::pitchTrack() { pitchtrack(p, st.buffer, st.cursor, st.levelTrack.lowLevel, ws, st.pitchTrack, plot); }

bool isBlack(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFFu) == 0; }
bool isWhite(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu; }

int blackCount(const QImage& image, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += isBlack(image, x, y) ? 1 : 0;
    return n;
}

}  // namespace kelvox::test
