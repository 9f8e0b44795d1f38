#include "library_files.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace kelvox::test {

namespace {

// libsndfile's virtual I/O into a growing byte vector.
struct MemoryOut {
    Bytes bytes;
    sf_count_t pos = 0;
};

sf_count_t outLength(void* user) { return static_cast<sf_count_t>(static_cast<MemoryOut*>(user)->bytes.size()); }

sf_count_t outSeek(sf_count_t offset, int whence, void* user)
{
    auto* m = static_cast<MemoryOut*>(user);
    const sf_count_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? outLength(user) : 0;
    m->pos = std::max<sf_count_t>(0, base + offset);
    return m->pos;
}

sf_count_t outRead(void* into, sf_count_t count, void* user)
{
    auto* m = static_cast<MemoryOut*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(outLength(user) - m->pos, 0, count);
    if (n > 0)
        std::memcpy(into, m->bytes.data() + m->pos, static_cast<std::size_t>(n));
    m->pos += n;
    return n;
}

sf_count_t outWrite(const void* from, sf_count_t count, void* user)
{
    auto* m = static_cast<MemoryOut*>(user);
    const auto end = static_cast<std::size_t>(m->pos + count);
    if (end > m->bytes.size())
        m->bytes.resize(end);
    std::memcpy(m->bytes.data() + m->pos, from, static_cast<std::size_t>(count));
    m->pos += count;
    return count;
}

sf_count_t outTell(void* user) { return static_cast<MemoryOut*>(user)->pos; }

template <typename Write>
Bytes write(int format, int channels, int rateHz, Write writeSamples)
{
    MemoryOut out;
    SF_VIRTUAL_IO io{outLength, outSeek, outRead, outWrite, outTell};
    SF_INFO info{};
    info.samplerate = rateHz;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open_virtual(&io, SFM_WRITE, &info, &out);
    if (!f)
        throw std::runtime_error(std::string("libsndfile cannot write the fixture: ") + sf_strerror(nullptr));
    writeSamples(f);
    sf_close(f);
    return out.bytes;
}

}  // namespace

Bytes writeWithLibrary(int format, int channels, int rateHz, const std::vector<int>& samples)
{
    std::vector<short> s(samples.begin(), samples.end());
    return write(format, channels, rateHz,
                 [&](SNDFILE* f) { sf_write_short(f, s.data(), static_cast<sf_count_t>(s.size())); });
}

Bytes writeIntsWithLibrary(int format, int channels, int rateHz, const std::vector<int32_t>& samples)
{
    std::vector<int> s(samples.begin(), samples.end());
    return write(format, channels, rateHz,
                 [&](SNDFILE* f) { sf_write_int(f, s.data(), static_cast<sf_count_t>(s.size())); });
}

Bytes writeFloatsWithLibrary(int format, int channels, int rateHz, const std::vector<double>& samples)
{
    return write(format, channels, rateHz,
                 [&](SNDFILE* f) { sf_write_double(f, samples.data(), static_cast<sf_count_t>(samples.size())); });
}

}  // namespace kelvox::test
