// The sound-file loader fed any bytes under a name whose extension chooses the
// reader (the first byte picks it: .wav, .smp, a headerless name, or one of the
// extensions libsndfile decodes), or as a headerless file with parameters taken
// from the next bytes; then the main view's arithmetic on what loaded.
#include "main_view.h"
#include "sound_file.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace {

// Index 0, 1 and 2 keep their old meaning so that older corpora stay valid.
const char* const kNames[] = {"x.wav", "x.smp", "x.raw", "x.flac", "x.aiff", "x.sph", "x.au",
                              "x.caf", "x.w64", "x.ogg", "x.opus", "x.mp3",  "x.aifc"};
constexpr std::size_t kRawWithParameters = std::size(kNames);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t kind = data[0] % (std::size(kNames) + 1);
    kelvox::SignalState s;
    kelvox::LoadResult r;
    if (kind == kRawWithParameters) {
        if (size < 4)
            return 0;
        // Format, channels (1 … 4) and header bytes to skip from bytes 1 … 3.
        kelvox::RawParameters p;
        p.format = kelvox::kRawSampleFormats[data[1] % std::size(kelvox::kRawSampleFormats)];
        p.channels = 1 + data[2] % 4;
        p.skipBytes = data[3];
        p.rateHz = 8000;
        r = kelvox::loadRawSoundBytes(std::vector<uint8_t>(data + 4, data + size), "x.bin", p, s, 665, 201);
    } else {
        r = kelvox::loadSoundBytes(std::vector<uint8_t>(data + 1, data + size), kNames[kind], s, 665, 201);
    }
    if (!r.ok) {
        if (s.fileSize != 0 || s.fileOpened || r.reason.empty())
            __builtin_trap();  // a refused load must leave the start state untouched and say why
        return 0;
    }
    if (s.channelCount < 1 || s.sampleRateHz < 1 || s.frameCount() < 1)
        __builtin_trap();
    // Every sample the program may read lies inside the buffer.
    if ((static_cast<int64_t>(s.dataOffset) + s.sampleCount) * s.bytesPerSample >
        static_cast<int64_t>(s.fileBytes.size()))
        __builtin_trap();
    kelvox::MainView view(s, 665, 201);
    view.afterLoad();
    view.envelope();
    view.grid();
    kelvox::byteSwapInPlace(s);
    kelvox::signFlipInPlace(s);
    kelvox::refreshParameters(s, 201);
    view.samplesChanged();
    view.zoomIn();
    view.setTimeScrollPosition(9999);
    view.envelope();
    view.typeTime(kelvox::TimeField::DisplayEnd, "0.001");
    view.grid();
    view.envelope();
    return 0;
}
