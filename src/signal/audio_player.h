#pragma once
// Playback of the selection through Qt Multimedia. The main window talks to an
// AudioOutput so that tests can put a fake in its place.

#include <QString>

#include <cstdint>
#include <vector>

#include "playback.h"

namespace kelvox {

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    /// Plays `samples` (16-bit, `channels` interleaved, at `rateHz`) and returns when
    /// they have played. `slice` carries the millisecond positions the samples were
    /// cut at. Returns false with a reason when the output cannot play them.
    virtual bool play(const PlaySlice& slice, const std::vector<int16_t>& samples, int channels, int rateHz,
                      QString& error) = 0;
};

/// The default output device through QAudioSink. Blocks in a local event loop that
/// excludes user input until the device has played the whole slice. A device that
/// fails, or has not played it all two seconds past its length (a sound server
/// that hangs), ends the play with false and the reason.
class SinkAudioOutput : public AudioOutput {
public:
    bool play(const PlaySlice& slice, const std::vector<int16_t>& samples, int channels, int rateHz,
              QString& error) override;
};

}  // namespace kelvox
