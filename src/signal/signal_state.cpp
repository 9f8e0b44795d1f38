#include "signal_state.h"

#include "parse_number.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

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

// The sample indices [first, end) that insideData accepts, as [from, to).
void insideRange(const SignalState& s, int64_t first, int64_t end, int64_t& from, int64_t& to)
{
    const int64_t bytesPer = std::max<int64_t>(1, s.bytesPerSample);
    from = std::max<int64_t>({first, s.dataOffset, 0});
    to = std::min<int64_t>(
        {end, static_cast<int64_t>(s.dataOffset) + s.sampleCount, static_cast<int64_t>(s.fileBytes.size()) / bytesPer});
    to = std::max(to, from);
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

void frameSamples(const SignalState& s, int64_t firstFrame, int channel, std::span<int16_t> out)
{
    const auto count = static_cast<int64_t>(out.size());
    std::fill(out.begin(), out.end(), int16_t{0});
    if (channel < 0 || channel >= s.channelCount || count == 0)
        return;
    // Frames [firstFrame, firstFrame + count) that exist, then those whose sample is
    // in the data.
    const int64_t frames = s.frameCount();
    const int64_t step = s.channelCount;
    int64_t from = std::clamp<int64_t>(firstFrame, 0, frames), to = std::clamp<int64_t>(firstFrame + count, 0, frames);
    if (from >= to)
        return;
    const int64_t base = s.dataOffset + channel;
    int64_t firstIndex = 0, endIndex = 0;
    insideRange(s, base + from * step, base + (to - 1) * step + 1, firstIndex, endIndex);
    // The frames whose index lies in [firstIndex, endIndex).
    from = std::max(from, (firstIndex - base + step - 1) / step);
    to = std::min(to, (endIndex - base + step - 1) / step);
    const int scale = s.bytesPerSample == 1 ? 256 : 1;
    for (int64_t f = from; f < to; ++f)
        out[static_cast<size_t>(f - firstFrame)] = static_cast<int16_t>(rawUnchecked(s, base + f * step) * scale);
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
    // The largest |sample| of channel 0 (samples outside the data read 0); the
    // conversion to float keeps the order, so it is converted once.
    int largest = 0;
    const int step = std::max<int>(1, s.channelCount);
    int64_t from = 0, to = 0;
    insideRange(s, s.dataOffset, static_cast<int64_t>(s.dataOffset) + s.sampleCount, from, to);
    const int64_t misaligned = (from - s.dataOffset) % step;
    if (misaligned != 0)
        from += step - misaligned;
    const int scale = s.bytesPerSample == 1 ? 256 : 1;
    if (s.bytesPerSample == 2 && step == 1 && std::endian::native == std::endian::little) {
        // Little-endian words as they lie in the file: a loop the compiler vectorises.
        const uint8_t* bytes = s.fileBytes.data();
        for (int64_t i = from; i < to; ++i) {
            int16_t v;
            std::memcpy(&v, bytes + 2 * i, sizeof v);
            largest = std::max(largest, std::abs(static_cast<int>(v)));
        }
    } else {
        for (int64_t i = from; i < to; i += step)
            largest = std::max(largest, std::abs(rawUnchecked(s, i)));
    }
    s.peakAmplitude = std::max(1.0f, static_cast<float>(largest * scale));
    s.amplitudeScale = static_cast<float>(viewHeightPx * 0.5 / s.peakAmplitude);
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
