#include "playback.h"

#include "numeric.h"

#include <algorithm>

namespace kelvox {

PlaySlice playSlice(const SignalState& s)
{
    PlaySlice p;
    p.startMs = satInt64(static_cast<double>(s.selectionStart) * 1000.0);
    p.endMs = satInt64(static_cast<double>(s.selectionEnd) * 1000.0);
    if (s.sampleRateHz < 1)
        return p;
    const int64_t frames = s.frameCount();
    const int64_t durationMs = satInt64(static_cast<double>(s.fileDuration) * 1000.0);
    const int64_t startMs = std::clamp<int64_t>(p.startMs, 0, durationMs);
    const int64_t endMs = std::clamp<int64_t>(p.endMs, 0, durationMs);
    p.firstFrame = std::clamp<int64_t>(startMs * s.sampleRateHz / 1000, 0, frames);
    p.endFrame = std::clamp<int64_t>(endMs * s.sampleRateHz / 1000, 0, frames);
    if (p.endFrame < p.firstFrame)
        p.endFrame = p.firstFrame;
    return p;
}

std::vector<int16_t> playSamples(const SignalState& s, const PlaySlice& slice, int& channels)
{
    const bool allChannels = s.channelCount <= 2;
    channels = allChannels ? s.channelCount : 1;
    std::vector<int16_t> out;
    if (slice.empty())
        return out;
    out.reserve(static_cast<std::size_t>((slice.endFrame - slice.firstFrame) * channels));
    for (int64_t f = slice.firstFrame; f < slice.endFrame; ++f) {
        if (allChannels) {
            for (int c = 0; c < s.channelCount; ++c)
                out.push_back(static_cast<int16_t>(std::clamp(frameSample(s, f, c), -32768, 32767)));
        } else {
            out.push_back(static_cast<int16_t>(std::clamp(frameSample(s, f, s.selectedChannel), -32768, 32767)));
        }
    }
    return out;
}

}  // namespace kelvox
