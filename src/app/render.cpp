// kelvox-render: the program's pages drawn without a screen, for scripts and tests.
//
//   kelvox-render FILE --info
//
// Exit status 0 on success, 1 when FILE cannot be opened, 2 for a usage error.

#include "parse_number.h"
#include "signal_state.h"
#include "sound_file.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitCannotOpen = 1;
constexpr int kExitUsage = 2;
// The main window's view, whose size the loader derives its zoom and scale from.
constexpr int kViewWidth = 665;
constexpr int kViewHeight = 201;

const char* const kUsage = "usage: kelvox-render FILE --info\n";

int usage(const std::string& problem)
{
    std::fprintf(stderr, "kelvox-render: %s\n%s", problem.c_str(), kUsage);
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string file;
    bool info = false;
    for (const std::string& a : args) {
        if (a == "--info")
            info = true;
        else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (!a.empty() && a[0] == '-')
            return usage("unknown option " + a);
        else if (file.empty())
            file = a;
        else
            return usage("more than one FILE");
    }
    if (file.empty())
        return usage("no FILE given");
    if (!info)
        return usage("nothing to do: give --info");

    kelvox::SignalState state;
    const kelvox::LoadResult r = kelvox::loadSoundFile(file, state, kViewWidth, kViewHeight);
    if (!r.ok) {
        std::fprintf(stderr, "Can't Open File: %s: %s\n", file.c_str(), r.reason.c_str());
        return kExitCannotOpen;
    }
    std::printf("%s\n", r.report.parameterLine.c_str());
    return kExitOk;
}
