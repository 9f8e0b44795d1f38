#include "page_fixture.h"

#include "conditioning.h"
#include "fft.h"
#include "page_loop.h"

#include <cmath>
#include <numbers>

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
    st.sampleRate = sampleRate;
    st.printScale = 1.0;
    pagegeometry(page, builtInLayout());
    st.pixelsPerSecond = std::trunc(96 * 100 / 25.4f);
    st.grayRange = 40.0f;
    st.blackLevel = 0.0f;
    st.gainDb = 0.0f;
    st.levelTop = 60.0;
    st.sub[PageLayout::kLevel].y0 = 20.0;
    st.waveScale = 1.0f;
    st.levelSmoother = {1.0, 0.0, 0.0};
    st.levelFollower = 1.0;
    useMidPitch(100.0);
}

void PageFixture::useFourier(int n, int windowLength, int pairStep)
{
    fftsetup(ws, n);
    st.binCount = n / 2;
    st.windowLength = windowLength;
    st.pairStep = pairStep;
    st.firstColumnWidth = 1;
    st.topFrequency = st.sampleRate / 2;
    st.bandwidth = 2.0 * st.sampleRate / windowLength;
    st.analysisWindow.assign(static_cast<size_t>(n) + 1, 0.0f);
    for (int i = 0; i < windowLength; ++i)
        st.analysisWindow[static_cast<size_t>(i)] =
            static_cast<float>((1.0 - std::cos(2 * std::numbers::pi * i / windowLength)) * 0.7);
    st.highWeight.assign(static_cast<size_t>(n) + 1, 0.0f);
    st.lowBandBins = static_cast<int>(n * 1000.0 / st.sampleRate);
    st.highBandStart = st.lowBandBins;
    st.highCutHz = 1000.0;
}

void PageFixture::useMidPitch(double midPitch)
{
    const double fs = st.sampleRate;
    const double w = 2 * 0.7071 * std::numbers::pi * 8.0 / fs;
    st.A1 = -2 * std::exp(-w) * std::cos(w);
    st.A2 = std::exp(-2 * w);
    const double r1 = std::exp(-4 * std::numbers::pi * midPitch / fs);
    const double r2 = std::exp(-std::numbers::pi * midPitch / fs);
    st.B1 = static_cast<float>(r1 + r2);
    st.B2 = static_cast<float>(r1 * r2);
    st.peakDecay = static_cast<float>(1.0 - (1.0 - r1) / 8.0);
    st.midPitch = static_cast<float>(midPitch);
    st.minPitch = static_cast<float>(midPitch / 2);
    st.maxPitch = static_cast<float>(midPitch * 2);
    st.sub[PageLayout::kPitch].y0 = std::log10(midPitch) - 0.30103;
    st.sub[PageLayout::kPitch].y1 = std::log10(midPitch) + 0.30103;
}

void PageFixture::loadBuffer(const std::vector<int>& samples)
{
    const size_t n = std::min(samples.size(), st.SampleBuffer.size() - 1);
    for (size_t i = 0; i < n; ++i)
        st.SampleBuffer[i] = static_cast<int16_t>(samples[i]);
    st.bufferFill = st.bufferHigh = static_cast<int>(n);
    st.gainFactor = 1.0f;
    st.hpX1 = st.hpX2 = st.hpY1 = st.hpY2 = 0.0;
    condition(st);
}

void PageFixture::setConditioned(const std::vector<float>& samples)
{
    for (size_t i = 0; i < samples.size(); ++i)
        st.ConditionedSamples[i] = samples[i];
    st.bufferFill = st.bufferHigh = static_cast<int>(samples.size());
}

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
