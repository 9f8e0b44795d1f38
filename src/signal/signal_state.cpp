#include "signal_state.h"

#include "parse_number.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kelvox {

namespace {

bool insideData(const SignalState& s, int64_t index)
{
    if (index < s.dataOffset || index >= static_cast<int64_t>(s.dataOffset) + s.sampleCount)
        return false;
    const int64_t lastByte = index * s.bytesPerSample + s.bytesPerSample - 1;
    return index >= 0 && lastByte < static_cast<int64_t>(s.fileBytes.size());
}

int rawUnchecked(const SignalState& s, int64_t index)
{
    if (s.bytesPerSample == 1)
        return static_cast<int8_t>(s.fileBytes[static_cast<std::size_t>(index)]);
    const std::size_t b = static_cast<std::size_t>(index) * 2;
    return static_cast<int16_t>(static_cast<uint16_t>(s.fileBytes[b] | (s.fileBytes[b + 1] << 8)));
}

}  // namespace

int rawAtIndex(const SignalState& s, int64_t index)
{
    return insideData(s, index) ? rawUnchecked(s, index) : 0;
}

int sampleAtIndex(const SignalState& s, int64_t index)
{
    const int raw = rawAtIndex(s, index);
    return s.bytesPerSample == 1 ? raw * 256 : raw;
}

int correctedSampleAtIndex(const SignalState& s, int64_t index)
{
    if (!insideData(s, index))
        return 0;
    const int v = rawUnchecked(s, index) - s.zeroOffset;
    return s.bytesPerSample == 1 ? v * 256 : v;
}

int frameSample(const SignalState& s, int64_t frame, int channel)
{
    if (frame < 0 || frame >= s.frameCount() || channel < 0 || channel >= s.channelCount)
        return 0;
    return sampleAtIndex(s, s.dataOffset + frame * s.channelCount + channel);
}

int correctedFrameSample(const SignalState& s, int64_t frame, int channel)
{
    if (frame < 0 || frame >= s.frameCount() || channel < 0 || channel >= s.channelCount)
        return 0;
    return correctedSampleAtIndex(s, s.dataOffset + frame * s.channelCount + channel);
}

void byteSwapInPlace(SignalState& s)
{
    if (s.bytesPerSample != 2)
        return;
    const std::size_t begin = static_cast<std::size_t>(s.dataOffset) * 2;
    const std::size_t end = std::min(s.fileBytes.size(), begin + static_cast<std::size_t>(s.sampleCount) * 2);
    for (std::size_t b = begin; b + 1 < end; b += 2)
        std::swap(s.fileBytes[b], s.fileBytes[b + 1]);
}

void signFlipInPlace(SignalState& s)
{
    if (s.bytesPerSample != 1)
        return;
    const std::size_t begin = static_cast<std::size_t>(s.dataOffset);
    const std::size_t end = std::min(s.fileBytes.size(), begin + static_cast<std::size_t>(s.sampleCount));
    for (std::size_t b = begin; b < end; ++b)
        s.fileBytes[b] = static_cast<uint8_t>(s.fileBytes[b] - 128);
}

std::string parameterLine(const SignalState& s)
{
    return format("%5.3f s @ %5.3f kHz, %s, %d ch, max %4.2f", static_cast<double>(s.displayEnd),
                  s.sampleRateHz * 0.001, s.bytesPerSample == 1 ? "8b" : "16b",
                  static_cast<int>(s.channelCount), static_cast<double>(s.peakAmplitude) / 32768.0);
}

std::string refreshParameters(SignalState& s, int viewHeightPx)
{
    float peak = 1.0f;
    const int64_t end = static_cast<int64_t>(s.dataOffset) + s.sampleCount;
    const int step = std::max<int>(1, s.channelCount);
    for (int64_t i = s.dataOffset; i < end; i += step) {
        const float v = static_cast<float>(std::abs(sampleAtIndex(s, i)));
        if (v > peak)
            peak = v;
    }
    s.peakAmplitude = peak;
    s.amplitudeScale = static_cast<float>(viewHeightPx * 0.5 / peak);
    return parameterLine(s);
}

TimeInterval analysisInterval(const SignalState& s)
{
    if (s.selectionStart + s.selectionEnd != 0.0f)
        return {s.selectionStart, s.selectionEnd};
    return {s.displayStart, s.displayEnd};
}

std::string timeSpanText(const TimeInterval& interval)
{
    return format("From %5.3f to %5.3f => %5.3f s", static_cast<double>(interval.start),
                  static_cast<double>(interval.end), static_cast<double>(interval.end - interval.start));
}

}  // namespace kelvox
