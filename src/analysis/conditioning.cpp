#include "conditioning.h"

#include <algorithm>

namespace kelvox {

void condition(SpectrogramState& st)
{
    const int capacity = static_cast<int>(std::min({st.SampleBuffer.size(), st.ConditionedSamples.size(),
                                                    st.ResonatorSamples.size()}));
    const int count = std::clamp(std::min(st.bufferHigh, st.bufferFill), 0, capacity);
    const float gain = st.gainFactor;
    const float pe = st.preEmphasis;

    float deemphasis = 0.0f;
    // Leaky integrator with its previous value, then the three resonator sections'
    // last two outputs.
    float leak = 0.0f;
    float section1[3] = {0.0f, 0.0f, 0.0f};
    float section2[3] = {0.0f, 0.0f, 0.0f};

    for (int i = 0; i < count; ++i) {
        const float s = st.SampleBuffer[static_cast<size_t>(i)];
        float v = gain * s;
        if (pe > 0.0f) {
            // The sample after the last one is not data yet: it reads as 0.
            const float next = i + 1 < count ? st.SampleBuffer[static_cast<size_t>(i + 1)] : 0.0f;
            v = v - pe * gain * next;
        } else if (pe < 0.0f) {
            v = 5.0f * (1.0f + pe) * v - pe * deemphasis;
            deemphasis = v;
        }

        const double y = v - 2.0 * st.hpX1 + st.hpX2 - st.A1 * st.hpY1 - st.A2 * st.hpY2;
        st.hpX2 = st.hpX1;
        st.hpX1 = v;
        st.hpY2 = st.hpY1;
        st.hpY1 = y;
        st.ConditionedSamples[static_cast<size_t>(i)] = static_cast<float>(y);

        const float leakBefore = leak;
        leak = static_cast<float>(0.9f * leak + y);
        // Each section has a zero at 0 Hz (its input minus its previous input) and
        // the resonance B1, B2; it is fed by the stage before and its previous value.
        float u = leak;
        float uPrevious = leakBefore;
        for (int k = 0; k < 3; ++k) {
            const float w = u - uPrevious + st.B1 * section1[k] - st.B2 * section2[k];
            uPrevious = section1[k];
            section2[k] = section1[k];
            section1[k] = w;
            u = w;
        }
        st.ResonatorSamples[static_cast<size_t>(i)] = u;
    }
}

}  // namespace kelvox
