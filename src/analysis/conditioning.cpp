#include "conditioning.h"

#include <algorithm>
#include <cstddef>

namespace kelvox {

void condition(const ConditioningParameters& c, HighPassMemory& memory, std::span<const int16_t> samples,
               std::span<float> conditioned, std::span<float> resonator)
{
    const std::size_t count = std::min({samples.size(), conditioned.size(), resonator.size()});
    const float gain = c.gainFactor;
    const float pe = c.preEmphasis;

    float deemphasis = 0.0f;
    // Leaky integrator with its previous value, then the three resonator sections'
    // last two outputs.
    float leak = 0.0f;
    float section1[3] = {0.0f, 0.0f, 0.0f};
    float section2[3] = {0.0f, 0.0f, 0.0f};

    for (std::size_t i = 0; i < count; ++i) {
        const float s = samples[i];
        float v = gain * s;
        if (pe > 0.0f) {
            // The sample after the last one is not data yet: it reads as 0.
            const float next = i + 1 < count ? samples[i + 1] : 0.0f;
            v = v - pe * gain * next;
        } else if (pe < 0.0f) {
            v = 5.0f * (1.0f + pe) * v - pe * deemphasis;
            deemphasis = v;
        }

        const double y = v - 2.0 * memory.hpX1 + memory.hpX2 - c.A1 * memory.hpY1 - c.A2 * memory.hpY2;
        memory.hpX2 = memory.hpX1;
        memory.hpX1 = v;
        memory.hpY2 = memory.hpY1;
        memory.hpY1 = y;
        conditioned[i] = static_cast<float>(y);

        const float leakBefore = leak;
        leak = static_cast<float>(0.9f * leak + y);
        // Each section has a zero at 0 Hz (its input minus its previous input) and
        // the resonance B1, B2; it is fed by the stage before and its previous value.
        float u = leak;
        float uPrevious = leakBefore;
        for (int k = 0; k < 3; ++k) {
            const float w = u - uPrevious + c.B1 * section1[k] - c.B2 * section2[k];
            uPrevious = section1[k];
            section2[k] = section1[k];
            section1[k] = w;
            u = w;
        }
        resonator[i] = u;
    }
}

void conditionBuffer(const ConditioningParameters& c, HighPassMemory& memory, SampleBufferState& buffer)
{
    const int capacity = static_cast<int>(
        std::min({buffer.SampleBuffer.size(), buffer.ConditionedSamples.size(), buffer.ResonatorSamples.size()}));
    const int count = std::clamp(std::min(buffer.bufferHigh, buffer.bufferFill), 0, capacity);
    ++buffer.generation;
    condition(c, memory, std::span<const int16_t>(buffer.SampleBuffer).first(static_cast<std::size_t>(count)),
              buffer.ConditionedSamples, buffer.ResonatorSamples);
}

}  // namespace kelvox
