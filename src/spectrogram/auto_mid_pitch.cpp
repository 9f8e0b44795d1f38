#include "auto_mid_pitch.h"

#include "numeric.h"

#include <cmath>

namespace kelvox {

bool asksForAutoMidPitch(const SpectrogramSettings& s)
{
    return s.midPitchText == kAutoMidPitchText;
}

double autoMidPitchHz(double typicalHz, PitchMethod method)
{
    switch (method) {
    case PitchMethod::Amdf: return 1.32 * std::sqrt(100.0 * typicalHz);
    case PitchMethod::PeakP: return 0.70 * typicalHz;
    case PitchMethod::Cepstrum: return typicalHz;
    }
    return typicalHz;
}

std::string autoMidPitchText(const TypicalPitch& estimate, PitchMethod method)
{
    if (!estimate.found() || !(estimate.hz > 0.0))
        return boxDefault(SpectrogramBox::MidPitch);
    return std::to_string(satInt(autoMidPitchHz(estimate.hz, method) + 0.5));
}

}  // namespace kelvox
