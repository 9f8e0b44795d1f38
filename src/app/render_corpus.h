#pragma once
// kelvox-render over several recordings in one call: the names each recording's
// files take, and the loop that draws the recordings several at a time, each on
// its own thread with its own program state, and reports each one's messages in
// the order the recordings were given.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kelvox {

/// What drawing one recording came to: its exit status as a call of its own would
/// give it (0, 1: a file cannot be read or written, 2: a usage error), the lines it
/// has for stderr in order (without line feeds), and whether the usage text follows
/// them.
struct RecordingReport {
    int status = 0;
    std::vector<std::string> lines;
    bool showUsage = false;
};

/// The recording's name: its last path component without its extension ("take1"
/// for "/data/take1.wav", "take.1" for "take.1.wav", "take1" for "take1").
std::string recordingName(const std::string& path);
/// The recording's folder: "/data" for "/data/take1.wav", "." for "take1.wav".
std::string recordingFolder(const std::string& path);
/// `pattern` with every "{name}" replaced by recordingName(path) and every "{dir}"
/// by recordingFolder(path).
std::string forRecording(const std::string& pattern, const std::string& path);

/// Draws recordings 0 … count − 1 with `draw`, `jobs` at a time, each on a thread
/// of its own (on the calling thread when jobs is 1). As soon as a recording and
/// every one before it are done, its lines go to stderr, the file named in each:
/// "kelvox-render: " lines become "kelvox-render: FILE: ", where FILE is
/// files[index]; other lines ("Can't Open File: FILE: …") name it already. With
/// `progress`, a line "kelvox-render: n of N recordings" is kept up to date on
/// stderr. Returns 0 when every recording's status is 0, else 1: one failing
/// recording does not stop the others.
int drawRecordings(const std::vector<std::string>& files, int jobs,
                   const std::function<RecordingReport(std::size_t)>& draw, bool progress);

}  // namespace kelvox
