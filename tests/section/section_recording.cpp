#include "section_recording.h"

#include "sound_file.h"
#include "sound_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kelvox::test {

SignalState loadedRecording(const std::vector<int>& samples, int rateHz, int channels, const std::string& name)
{
    SignalState s;
    const LoadResult r =
        loadSoundBytes(makeWav({.channels = channels, .rateHz = rateHz}, pcm16(samples)), name, s, 665, 201);
    EXPECT_TRUE(r.ok) << r.reason;
    return s;
}

std::vector<int> harmonicSound(const std::vector<double>& hz, int rateHz, int frames, double amp)
{
    std::vector<int> out(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        double v = 0;
        for (const double f : hz)
            v += amp * std::sin(2 * std::numbers::pi * f * i / rateHz);
        out[static_cast<std::size_t>(i)] = static_cast<int>(std::lround(v));
    }
    return out;
}

}  // namespace kelvox::test
