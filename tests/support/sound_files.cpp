#include "sound_files.h"

#include "temp_folder.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace kelvox::test {

void put16(Bytes& b, int v)
{
    b.push_back(static_cast<uint8_t>(v & 0xFF));
    b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

void putTag(Bytes& b, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

Bytes makeChunk(const char* id, const Bytes& body, bool padOdd)
{
    Bytes c;
    putTag(c, id);
    put32(c, static_cast<uint32_t>(body.size()));
    c.insert(c.end(), body.begin(), body.end());
    if (padOdd && body.size() % 2 == 1)
        c.push_back(0);
    return c;
}

Bytes makeWav(const WavSpec& header, const Bytes& data)
{
    Bytes b;
    putTag(b, "RIFF");
    put32(b, 0);
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, header.fmtSize);
    put16(b, header.formatTag);
    put16(b, header.channels);
    put32(b, static_cast<uint32_t>(header.rateHz));
    const int bytesPerFrame = header.channels * ((header.bitsPerSample + 7) / 8);
    put32(b, static_cast<uint32_t>(header.rateHz * bytesPerFrame));
    put16(b, bytesPerFrame);
    put16(b, header.bitsPerSample);
    for (uint32_t i = 16; i < header.fmtSize; ++i)
        b.push_back(0);
    b.insert(b.end(), header.extraChunksBeforeData.begin(), header.extraChunksBeforeData.end());
    putTag(b, "data");
    put32(b, header.declaredDataBytes < 0 ? static_cast<uint32_t>(data.size())
                                        : static_cast<uint32_t>(header.declaredDataBytes));
    b.insert(b.end(), data.begin(), data.end());
    const uint32_t riff = static_cast<uint32_t>(b.size() - 8);
    for (int i = 0; i < 4; ++i)
        b[4 + i] = static_cast<uint8_t>((riff >> (8 * i)) & 0xFF);
    return b;
}

Bytes pcm16(const std::vector<int>& samples)
{
    Bytes b;
    for (int s : samples)
        put16(b, s);
    return b;
}

Bytes makeSmp(const std::string& headerLines, const Bytes& data)
{
    Bytes b(headerLines.begin(), headerLines.end());
    if (b.size() > 1024)
        throw std::runtime_error("SMP header too long");
    b.resize(1024, 0);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::vector<int> sine(double hz, int rateHz, int frames, double amp)
{
    std::vector<int> s(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        s[static_cast<std::size_t>(i)] =
            static_cast<int>(std::lround(amp * std::sin(2 * std::numbers::pi * hz * i / rateHz)));
    return s;
}

std::string writeTempFile(const std::string& name, const Bytes& bytes)
{
    const auto path = programTempFolder().path() / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

}  // namespace kelvox::test
