// parseNumber and headerValue on any text.
#include "parse_number.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double v = kelvox::parseNumber(text);
    (void)v;
    const std::span<const uint8_t> bytes(data, size);
    const std::size_t bound = size > 0 ? data[0] * 8u : 0u;
    for (const char* key : {"nchans", "sftot", "msb", ""})
        (void)kelvox::headerValue(bytes, bound, key);
    return 0;
}
