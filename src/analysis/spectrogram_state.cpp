#include "spectrogram_state.h"

#include <algorithm>
#include <cstddef>

namespace kelvox {

namespace {

// Near the end of the data the analyses reach past bufferFill; what lies there is a
// stale stretch of an earlier fill or run, so it reads as silence instead.
template <typename T>
T guardedRead(const std::vector<T>& values, int fill, int64_t i)
{
    if (i < 0 || i >= fill || i >= static_cast<int64_t>(values.size()))
        return T{};
    return values[static_cast<std::size_t>(i)];
}

std::span<const float> validPart(const std::vector<float>& values, int fill)
{
    return std::span<const float>(values).first(
        static_cast<std::size_t>(std::clamp<int64_t>(fill, 0, static_cast<int64_t>(values.size()))));
}

}  // namespace

int16_t SampleBufferState::sampleAt(int64_t i) const { return guardedRead(SampleBuffer, bufferFill, i); }

float SampleBufferState::conditionedAt(int64_t i) const { return guardedRead(ConditionedSamples, bufferFill, i); }

void LabelMarks::hold(size_t index)
{
    next = index;
    open = false;
    if (index >= marks.size())
        return;
    pos = markSample(marks[index].seconds, sampleRate);
    open = pos <= lastSample;
}

float SampleBufferState::resonatorAt(int64_t i) const { return guardedRead(ResonatorSamples, bufferFill, i); }

std::span<const float> SampleBufferState::conditioned() const { return validPart(ConditionedSamples, bufferFill); }

std::span<const float> SampleBufferState::resonator() const { return validPart(ResonatorSamples, bufferFill); }

}  // namespace kelvox
