// The label readers on any bytes. The first 4 bytes choose the sample rate, the
// first wanted position of the sequential .mix reader, the file name's extension and
// the tier asked for; the rest is the file. The .mix reader reads every label in
// order; the reader of every format must give sorted marks of at most 79
// characters, or a one-line reason and no marks.
#include "label_file.h"
#include "label_marks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);
    const double rates[] = {1.0, 8000.0, 16000.0, 44100.0, 192000.0, 1e9};
    const double rate = rates[data[0] % 6];

    kelvox::LabelReader reader;
    reader.labelopenText(text, rate);
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

    const char* names[] = {"a.TextGrid", "a.phn", "a.WRD", "a.lab", "a.rec", "a.txt", "a.mix", "a.csv"};
    const char* tiers[] = {"", "", "2", "words"};
    const kelvox::LabelFile f = kelvox::readLabelText(text, names[data[2] % 8], rate, tiers[data[3] % 4]);
    if (f.ok) {
        for (std::size_t i = 0; i < f.marks.size(); ++i) {
            const kelvox::LabelMark& m = f.marks[i];
            if (m.text.size() > 4 * kelvox::kMaxMarkCharacters || m.text.find('\n') != std::string::npos ||
                !(m.seconds >= 0.0) || (i > 0 && m.seconds < f.marks[i - 1].seconds))
                __builtin_trap();
        }
    } else if (f.reason.empty() || f.reason.find('\n') != std::string::npos || !f.marks.empty()) {
        __builtin_trap();
    }
    return 0;
}
