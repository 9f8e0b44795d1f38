#pragma once
// Playback of the selection through Qt Multimedia. The main window talks to an
// AudioOutput so that tests can put a fake in its place.

#include <QString>

#include <cstdint>
#include <memory>
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
///
/// The last play's sink, stopped, is kept until the next play or the output's end:
/// the PulseAudio back end of Qt 6.4 calls the sink back from its own thread when
/// a stream it drains has run out, also after the sink has stopped, and a sink
/// destroyed at once is called back after its end.
class SinkAudioOutput : public AudioOutput {
public:
    SinkAudioOutput();
    ~SinkAudioOutput() override;
    bool play(const PlaySlice& slice, const std::vector<int16_t>& samples, int channels, int rateHz,
              QString& error) override;

private:
    struct Stream;
    std::unique_ptr<Stream> m_last;
};

}  // namespace kelvox
