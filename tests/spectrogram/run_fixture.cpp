#include "run_fixture.h"

#include "sound_file.h"
#include "sound_files.h"

#include <cmath>
#include <numbers>
#include <random>

namespace kelvox::test {

std::vector<int> noisyTone(double hz, int rateHz, double seconds, double amp)
{
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, amp * 0.01);
    const int frames = static_cast<int>(seconds * rateHz);
    std::vector<int> x(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        x[static_cast<size_t>(i)] =
            static_cast<int>(std::lround(amp * std::sin(2 * std::numbers::pi * hz * i / rateHz) + noise(random)));
    return x;
}

RunFixture::RunFixture(const std::vector<int>& samples, int rateHz, const std::string& name)
{
    const LoadResult r = loadSoundBytes(makeWav({.rateHz = rateHz}, pcm16(samples)), name, signal, 665, 201);
    if (!r.ok)
        throw std::runtime_error(r.reason);
    plot.plotscreen();
}

void RunFixture::runPages(RecordingHost& host, int dpi) { run.run(settings, beginPageAt(plot, dpi), host); }

}  // namespace kelvox::test
