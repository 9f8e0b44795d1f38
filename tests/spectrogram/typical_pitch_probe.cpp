// typical_pitch_probe FILE...: prints, for each sound file, the typical pitch that
// estimateTypicalPitch finds over the whole of channel 0 and the "Mid pitch Hz" that
// "Auto" makes of it for each pitch method, as
//   FILE HZ VOICED EXAMINED PEAKP AMDF CEPSTRUM
// (HZ is 0 when no frame is voiced). scripts/pitch-tuning uses it to relate the best
// mid pitch of each voice to this estimate and to check the rule.

#include "auto_mid_pitch.h"
#include "signal_state.h"
#include "sound_file.h"
#include "typical_pitch.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    using namespace kelvox;
    if (argc < 2) {
        std::fprintf(stderr, "usage: typical_pitch_probe FILE...\n");
        return 2;
    }
    int status = 0;
    for (int a = 1; a < argc; ++a) {
        SignalState s;
        const LoadResult load = loadSoundFile(argv[a], s, 665, 201);
        if (!load.ok) {
            std::fprintf(stderr, "%s: %s\n", argv[a], load.reason.c_str());
            status = 1;
            continue;
        }
        const TypicalPitch p =
            estimateTypicalPitch(s.frameCount(), s.sampleRate, [&s](int64_t first, std::span<int16_t> out) {
                for (size_t i = 0; i < out.size(); ++i)
                    out[i] = static_cast<int16_t>(frameSample(s, first + static_cast<int64_t>(i), 0));
            });
        std::printf("%s %.1f %d %d %s %s %s\n", argv[a], p.hz, p.voicedFrames, p.examinedFrames,
                    autoMidPitchText(p, PitchMethod::PeakP).c_str(), autoMidPitchText(p, PitchMethod::Amdf).c_str(),
                    autoMidPitchText(p, PitchMethod::Cepstrum).c_str());
    }
    return status;
}
