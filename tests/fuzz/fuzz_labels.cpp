// The label-file reader on any bytes: the first 4 bytes choose the sample rate and
// the first wanted position, the rest is the file. Reads every label in order.
#include "label_file.h"
#include "temp_folder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    // The same file, rewritten for each input, in a folder removed when the fuzzer ends.
    static const kelvox::test::TempFolder folder("kelvox-fuzz-labels");
    static const std::string path = folder.file("take.mix");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data + 4, 1, size - 4, f);
    std::fclose(f);

    const double rates[] = {1.0, 8000.0, 16000.0, 44100.0, 192000.0, 1e9};
    kelvox::LabelReader reader;
    if (reader.labelopen(path, rates[data[0] % 6]) != 1)
        return 0;
    int pos = (data[1] << 16) | (data[2] << 8) | data[3];
    for (int n = 0; n < 100000; ++n) {
        std::string label = reader.labelnext(&pos);
        if (label.size() > kelvox::LabelReader::kMaxLabelLength)
            __builtin_trap();
        kelvox::trimleft(label);
        if (pos == 0 || reader.atEnd())
            break;
    }
    reader.labelclose();
    return 0;
}
