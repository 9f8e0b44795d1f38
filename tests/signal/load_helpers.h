#pragma once
// What the loader tests share: a load at the main view's size, and the samples
// of one channel as the program reads them.

#include "sound_file.h"

#include "sound_files.h"

#include <vector>

namespace kelvox::test {

constexpr int kViewWidth = 665;
constexpr int kViewHeight = 201;

/// Loads `bytes` named `name` (its extension chooses the reader) into `s`.
inline LoadResult load(const Bytes& bytes, const std::string& name, SignalState& s)
{
    return loadSoundBytes(bytes, name, s, kViewWidth, kViewHeight);
}

/// Every frame's sample of `channel`, in 16-bit units.
inline std::vector<int> channelSamples(const SignalState& s, int channel)
{
    std::vector<int> v;
    for (int64_t f = 0; f < s.frameCount(); ++f)
        v.push_back(frameSample(s, f, channel));
    return v;
}

}  // namespace kelvox::test
