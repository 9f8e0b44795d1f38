// The sound-file loader fed any bytes under the names x.wav, x.smp and x.raw (the
// first byte chooses the name), then the main view's arithmetic on what loaded.
#include "main_view.h"
#include "sound_file.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const char* const names[] = {"x.wav", "x.smp", "x.raw"};
    const char* name = names[data[0] % 3];
    std::vector<uint8_t> bytes(data + 1, data + size);

    kelvox::SignalState s;
    const kelvox::LoadResult r = kelvox::loadSoundBytes(std::move(bytes), name, s, 665, 201);
    if (!r.ok) {
        if (s.fileSize != 0 || s.fileOpened)
            __builtin_trap();  // a refused load must leave the start state untouched
        return 0;
    }
    if (s.channelCount < 1 || s.sampleRateHz < 1 || s.frameCount() < 1)
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
