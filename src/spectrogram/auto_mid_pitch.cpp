#include "auto_mid_pitch.h"

#include "numeric.h"
#include "pitch_track.h"

#include <cmath>

namespace kelvox {

bool asksForAutoMidPitch(const SpectrogramSettings& s) { return s.midPitchText == kAutoMidPitchText; }

double autoMidPitchHz(double typicalHz, PitchMethod method, double sampleRateHz)
{
    switch (method) {
    case PitchMethod::Amdf: {
        const double mid = 1.26 * 100.0 * std::pow(typicalHz / 100.0, 0.6);
        return 2.0 * sampleRateHz / mid > kMaxAmdfWindow ? 0.9 * typicalHz : mid;
    }
    case PitchMethod::PeakP: return 0.70 * typicalHz;
    case PitchMethod::Cepstrum: return typicalHz;
    }
    return typicalHz;
}

std::string autoMidPitchText(const TypicalPitch& estimate, PitchMethod method, double sampleRateHz)
{
    if (!estimate.found() || !(estimate.hz > 0.0))
        return boxDefault(SpectrogramBox::MidPitch);
    return std::to_string(satInt(autoMidPitchHz(estimate.hz, method, sampleRateHz) + 0.5));
}

}  // namespace kelvox
