// typical_pitch_probe FILE...: prints, for each sound file, the typical pitch that
// estimateTypicalPitch finds over the whole of channel 0, as
// "FILE HZ VOICED EXAMINED" (HZ is 0 when no frame is voiced). scripts/pitch-tuning
// uses it to relate the best "Mid pitch Hz" of each voice to this estimate.

#include "signal_state.h"
#include "sound_file.h"
#include "typical_pitch.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: typical_pitch_probe FILE...\n");
        return 2;
    }
    int status = 0;
    for (int a = 1; a < argc; ++a) {
        kelvox::SignalState s;
        const kelvox::LoadResult load = kelvox::loadSoundFile(argv[a], s, 665, 201);
        if (!load.ok) {
            std::fprintf(stderr, "%s: %s\n", argv[a], load.reason.c_str());
            status = 1;
            continue;
        }
        const kelvox::TypicalPitch p = kelvox::estimateTypicalPitch(
            s.frameCount(), s.sampleRate, [&s](int64_t first, std::span<int16_t> out) {
                for (size_t i = 0; i < out.size(); ++i)
                    out[i] = static_cast<int16_t>(kelvox::frameSample(s, first + static_cast<int64_t>(i), 0));
            });
        std::printf("%s %.1f %d %d\n", argv[a], p.hz, p.voicedFrames, p.examinedFrames);
    }
    return status;
}
