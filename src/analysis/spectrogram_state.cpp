#include "spectrogram_state.h"

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

}  // namespace

int16_t SpectrogramState::sampleAt(int64_t i) const
{
    return guardedRead(SampleBuffer, bufferFill, i);
}

float SpectrogramState::conditionedAt(int64_t i) const
{
    return guardedRead(ConditionedSamples, bufferFill, i);
}

void LabelMarks::hold(size_t index)
{
    next = index;
    open = false;
    if (index >= marks.size())
        return;
    pos = markSample(marks[index].seconds, sampleRate);
    open = pos <= lastSample;
}

float SpectrogramState::resonatorAt(int64_t i) const
{
    return guardedRead(ResonatorSamples, bufferFill, i);
}

}  // namespace kelvox
