// kelvox-render: the program's pages drawn without a screen, for scripts and tests.
//
//   kelvox-render FILE... --info [--raw RATE[,CHANNELS[,FORMAT[,SKIP]]]]
//   kelvox-render FILE... --view spectrogram|section|waveform --out PATTERN
//                 [--from S] [--to S] [--channel N] [--dpi 96..1200] [--jobs N]
//                 [--set "LABEL=VALUE"]... [--tracks FILE.csv] [--values FILE.csv]
//                 [--labels LABELFILE [--tier NAME|NUMBER]]
//                 [--raw RATE[,CHANNELS[,FORMAT[,SKIP]]]]
//
// Exit status 0 on success, 1 when FILE or the label file cannot be read, 2 for a
// usage error. With several FILEs each is drawn as its own call would draw it,
// several at once (render_corpus.h); one that fails does not stop the others, and
// the status is 1 when any failed.

#include "label_file.h"
#include "label_marks.h"
#include "page_files.h"
#include "page_units.h"
#include "parse_number.h"
#include "program_state.h"
#include "render_corpus.h"
#include "section_controls.h"
#include "section_run.h"
#include "sound_file.h"
#include "spectrogram_run.h"
#include "spectrogram_settings.h"
#include "waveform_run.h"
#include "waveform_settings.h"

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using namespace kelvox;

constexpr int kExitOk = 0;
constexpr int kExitCannotOpen = 1;
constexpr int kExitUsage = 2;
// The main window's view, whose size the loader derives its zoom and scale from.
constexpr int kViewWidth = 665;
constexpr int kViewHeight = 201;

const char* const kUsage =
    "usage: kelvox-render FILE... --info\n"
    "       kelvox-render FILE... --view spectrogram|section|waveform --out PATTERN\n"
    "                     [--from S] [--to S] [--channel N] [--dpi 96..1200] [--jobs N]\n"
    "                     [--set \"LABEL=VALUE\"]... [--tracks FILE.csv] [--values FILE.csv]\n"
    "                     [--labels LABELFILE [--tier NAME|NUMBER]]\n"
    "       either form takes --raw RATE[,CHANNELS[,FORMAT[,SKIP]]] for a headerless FILE\n";

// The views kelvox-render can draw, each made on the program state, with its
// window's controls for --help and the data file it can write.
struct View {
    const char* name;
    const char* window;
    std::function<std::unique_ptr<LabelledRun>(ProgramState&)> make;
    std::function<std::vector<ControlInfo>()> controls;
    const char* dataOption;  // "--tracks", "--values" or nullptr
    const char* dataHelp;
};
const std::vector<View>& views()
{
    static const std::vector<View> all = {
        {"spectrogram", "SPECTROGRAM",
         [](ProgramState& s) {
             return makeSpectrogramLabelledRun(s.signal, s.layout, s.plot, s.analysis, s.spectrogram, s.labelFileName,
                                               s.labelChoice);
         },
         spectrogramControls, "--tracks",
         "pitch and level tracks, one row per column pair:\n"
         "      time_s,pitch_hz,pitch_quality,pitch_drawn,low_db,high_db,total_db"},
        {"section", "SPECTRUM SECTION",
         [](ProgramState& s) { return makeSectionLabelledRun(s.signal, s.plot, s.analysis, s.labelFileName); },
         sectionControlInfo, "--values",
         "every drawn section's values as the page's read-out shows them:\n"
         "      section,time_s,x,value (x in Hz, or in seconds of lag for Cepstrum and Autocorrel)"},
        {"waveform", "WAVEFORM", [](ProgramState& s) { return makeWaveformLabelledRun(s.signal, s.plot); },
         waveformControls, nullptr, nullptr},
    };
    return all;
}

void printHelp()
{
    std::fputs(kUsage, stdout);
    std::fputs(
        "\n"
        "Draws the pages of a view of FILE exactly as the windows preview and print them.\n"
        "--info prints the main window's parameter line instead. FILE is read by its\n"
        "extension: .wav (RIFF, RF64, RIFX; other WAV codecs and SPHERE through\n"
        "libsndfile), .smp, the libsndfile formats (.flac .aif .aiff .aifc .au .snd .sph\n"
        ".nist .caf .w64 .ogg .oga .opus .mp3), any other name as headerless 16-bit mono\n"
        "at 16 kHz.\n"
        "\n"
        "  --raw RATE[,CHANNELS[,FORMAT[,SKIP]]]\n"
        "                    read FILE as headerless samples: RATE Hz, CHANNELS (1),\n"
        "                    FORMAT s16le (default), s16be, u8, s8, s24le, s32le, f32le,\n"
        "                    alaw or ulaw, after SKIP header bytes (0)\n"
        "  --from S, --to S  the analysis interval in seconds (default: the whole file)\n"
        "  --channel N       the channel to analyse, from 0 (default 0)\n"
        "  --dpi N           the page's resolution in dots per inch, 96 to 1200: 96 a\n"
        "                    screen page (default), 192 the classic print page, 300 or\n"
        "                    600 a printer's own; pages finer than 192 dpi are the\n"
        "                    192-dpi page (breaks, sizes, places in millimetres) in\n"
        "                    finer pixels\n"
        "  --out PATTERN     one file per page; %d in PATTERN is the page number (0 for\n"
        "                    the first). The extension picks the format:\n"
        "                      .png  the page's drawn area in black and white\n"
        "                      .bmp  the same as a 1-bit Windows bitmap (as \"Save\" writes it)\n"
        "                      .pdf  one landscape A4 page, as a print job, holding the\n"
        "                            1-bit page at its resolution; a .pdf PATTERN\n"
        "                            without %d writes every page of the run into that\n"
        "                            one file, one A4 page each\n"
        "                    {name} in PATTERN is the recording's file name without its\n"
        "                    extension, {dir} its folder; with several FILEs PATTERN\n"
        "                    must hold {name}, and so must --tracks and --values.\n"
        "  --jobs N          with several FILEs, draw N recordings at once (default: the\n"
        "                    number of processor cores). Each is drawn exactly as its own\n"
        "                    call would draw it; one that fails is reported and the\n"
        "                    others go on.\n"
        "  --set \"LABEL=VALUE\" a control of the view's window, named by the label the\n"
        "                    window shows; VALUE is an item's text or any typed text\n"
        "                    (radio groups take only their items). Repeatable.\n"
        "\n"
        "  --labels LABELFILE  the spectrogram pages mark the labels of LABELFILE instead\n"
        "                    of the .mix beside FILE: a Praat TextGrid, TIMIT .phn/.wrd,\n"
        "                    HTK .lab/.rec, Audacity labels .txt or .mix. {name} and\n"
        "                    {dir} stand for each recording's, as in PATTERN, so that\n"
        "                    each of several FILEs has its own ('{dir}/{name}.TextGrid');\n"
        "                    without them every FILE is marked with the same labels\n"
        "  --tier NAME|NUMBER  the TextGrid tier whose labels are marked, by its name or\n"
        "                    its number from 1 (default: the first tier)\n"
        "\n"
        "Without --labels, a label file beside FILE (its name with .mix) adds labels to\n"
        "spectrogram pages.\n"
        "Settings that would divide by zero or never end are replaced by their defaults,\n"
        "one line on stderr each, and the run goes on. \"Mid pitch Hz=Auto\" fits the mid\n"
        "pitch to the voice in the interval and says the number it used the same way.\n",
        stdout);
    for (const View& v : views()) {
        std::printf("\n--view %s (the %s window)\n", v.name, v.window);
        for (const ControlInfo& c : v.controls()) {
            std::string items;
            for (const std::string& item : c.items)
                items += (items.empty() ? "" : ", ") + item;
            std::printf("  \"%s\"  default \"%s\"%s%s\n", c.label.c_str(), c.defaultValue.c_str(),
                        items.empty() ? "" : (c.typed ? "; items " : "; one of "), items.c_str());
        }
        if (v.dataOption)
            std::printf("  %s FILE.csv  %s\n", v.dataOption, v.dataHelp);
    }
    std::fputs(
        "\nExit status: 0 on success, 1 when FILE cannot be opened (\"Can't Open File\")\n"
        "or a page file cannot be written or the --labels file cannot be read, 2 for a\n"
        "usage error (an unknown --tier among them). With several FILEs, what goes\n"
        "wrong with one recording is reported with its name, the others are drawn all\n"
        "the same, and the status is 1 when any recording failed.\n",
        stdout);
}

struct Options {
    std::vector<std::string> files;
    int jobs = 0;  // 0: the number of cores
    bool info = false;
    std::string view;
    std::string out;
    bool hasFrom = false, hasTo = false;
    double from = 0, to = 0;
    int channel = 0;
    int dpi = 96;
    std::vector<std::string> settings;
    std::vector<std::pair<std::string, std::string>> dataOutputs;  // option, path
    std::string labels;                                            // --labels
    bool hasTier = false;
    std::string tier;  // --tier
    bool raw = false;
    RawParameters rawParameters;
};

int usage(const std::string& problem)
{
    std::fprintf(stderr, "kelvox-render: %s\n%s", problem.c_str(), kUsage);
    return kExitUsage;
}

// A whole decimal number (for --channel and --dpi); false for anything else.
bool parseInt(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(text);
    return true;
}

// A time in seconds (for --from and --to), in the C locale.
bool parseSeconds(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(value);
}

// Reads the command line into `o`; returns -1 when it is fine, else an exit code.
int parseOptions(const std::vector<std::string>& args, Options& o)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            printHelp();
            return kExitOk;
        } else if (a == "--info") {
            o.info = true;
        } else if (a == "--view") {
            if (!value(o.view))
                return usage("--view needs a view name");
        } else if (a == "--out") {
            if (!value(o.out))
                return usage("--out needs a file name pattern");
        } else if (a == "--from" || a == "--to") {
            double t = 0;
            if (!value(v) || !parseSeconds(v, t))
                return usage(a + " needs a time in seconds");
            (a == "--from" ? o.from : o.to) = t;
            (a == "--from" ? o.hasFrom : o.hasTo) = true;
        } else if (a == "--channel") {
            if (!value(v) || !parseInt(v, o.channel))
                return usage("--channel needs a channel number from 0");
        } else if (a == "--dpi") {
            if (!value(v) || !parseInt(v, o.dpi) || o.dpi < kMinPageDpi || o.dpi > kMaxPageDpi)
                return usage("--dpi is a resolution from 96 to 1200");
        } else if (a == "--jobs") {
            if (!value(v) || !parseInt(v, o.jobs) || o.jobs < 1)
                return usage("--jobs needs a number of recordings from 1");
        } else if (a == "--set") {
            if (!value(v) || v.find('=') == std::string::npos)
                return usage("--set needs \"LABEL=VALUE\"");
            o.settings.push_back(v);
        } else if (a == "--labels") {
            if (!value(o.labels) || o.labels.empty())
                return usage("--labels needs a label file");
        } else if (a == "--tier") {
            if (!value(o.tier) || o.tier.empty())
                return usage("--tier needs a tier name or number");
            o.hasTier = true;
        } else if (a == "--raw") {
            std::string error;
            if (!value(v))
                return usage("--raw needs RATE[,CHANNELS[,FORMAT[,SKIP]]]");
            if (!parseRawParameters(v, o.rawParameters, error))
                return usage("--raw: " + error);
            o.raw = true;
        } else if (a == "--tracks" || a == "--values") {
            if (!value(v))
                return usage(a + " needs a file name");
            o.dataOutputs.emplace_back(a, v);
        } else if (!a.empty() && a[0] == '-') {
            return usage("unknown option " + a);
        } else {
            o.files.push_back(a);
        }
    }
    if (o.files.empty())
        return usage("no FILE given");
    if (!o.info && o.view.empty())
        return usage("nothing to do: give --info or --view");
    if (o.info && !o.view.empty())
        return usage("give either --info or --view");
    if (o.hasTier && o.labels.empty())
        return usage("--tier needs --labels");
    if (!o.labels.empty() && o.view != "spectrogram")
        return usage("--labels marks spectrogram pages: give --view spectrogram");
    if (!o.view.empty()) {
        PageFormat format;
        if (o.out.empty())
            return usage("--view needs --out PATTERN");
        if (!pageFormatOf(o.out, format))
            return usage("--out must end in .png, .bmp or .pdf");
    }
    if (o.files.size() > 1 && !o.view.empty()) {
        // Every recording writes files of its own.
        if (o.out.find("{name}") == std::string::npos)
            return usage("--out needs {name} in PATTERN when there is more than one FILE");
        for (const auto& [option, path] : o.dataOutputs)
            if (path.find("{name}") == std::string::npos)
                return usage(option + " needs {name} in its file name when there is more than one FILE");
        std::set<std::string> outputs;
        for (const std::string& file : o.files)
            if (!outputs.insert(forRecording(o.out, file)).second)
                return usage("two FILEs would write the same pages: " + forRecording(o.out, file) +
                             " (use {dir} in PATTERN)");
    }
    return -1;
}

// A usage problem of one recording: its line, then (for a call with one FILE) the
// usage text.
RecordingReport usageReport(const std::string& problem) { return {kExitUsage, {"kelvox-render: " + problem}, true}; }

// Loads FILE as the main window would (or as "Open raw..." with --raw); a refusal
// is reported as "Can't Open File" with the reason.
bool loadRecording(const Options& o, const std::string& file, SignalState& signal, LoadResult& result)
{
    result = o.raw ? loadRawSoundFile(file, o.rawParameters, signal, kViewWidth, kViewHeight)
                   : loadSoundFile(file, signal, kViewWidth, kViewHeight);
    return result.ok;
}

std::string cannotOpen(const std::string& file, const LoadResult& result)
{
    return "Can't Open File: " + file + ": " + result.reason;
}

// Draws the pages of one recording as a call with that FILE alone draws them, on a
// program state of its own. `helperThreads`: the runs may use a helper thread.
RecordingReport renderRecording(const Options& o, const std::string& file, bool helperThreads, bool showProgress)
{
    const View* view = nullptr;
    for (const View& v : views())
        if (o.view == v.name)
            view = &v;
    if (!view)
        return usageReport("unknown view " + o.view);

    ProgramState state;
    LoadResult loaded;
    if (!loadRecording(o, file, state.signal, loaded))
        return {kExitCannotOpen, {cannotOpen(file, loaded)}, false};
    SignalState& s = state.signal;
    if (o.channel >= s.channelCount)
        return usageReport("--channel " + std::to_string(o.channel) + ": the file has " +
                           std::to_string(s.channelCount) + " channel(s)");
    s.selectedChannel = static_cast<int16_t>(o.channel);
    // The analysis interval is the selection; after a load that is the whole file.
    if (o.hasFrom)
        s.selectionStart = static_cast<float>(o.from);
    if (o.hasTo)
        s.selectionEnd = static_cast<float>(o.to);
    if (!o.labels.empty()) {
        // The chosen label file replaces the .mix beside the recording.
        const std::string labelPath = forRecording(o.labels, file);
        const LabelFile labels = readLabelFile(labelPath, s.sampleRateHz, o.tier);
        if (labels.unknownTier)
            return usageReport("--tier " + o.tier + ": " + labelPath + " has " + labels.reason);
        if (!labels.ok)
            return {kExitCannotOpen, {"kelvox-render: " + labelPath + ": " + labels.reason}, false};
        state.labelChoice = {labelPath, o.tier};
    } else {
        // The label file beside the recording is used when it exists, as if a
        // section run had named it.
        const std::string mix = labelFileName(s.fileName);
        if (std::filesystem::exists(mix))
            state.labelFileName = mix;
    }

    std::unique_ptr<LabelledRun> run = view->make(state);
    run->setHelperThread(helperThreads);
    for (const std::string& setting : o.settings) {
        const std::size_t eq = setting.find('=');
        std::string error;
        if (!run->set(setting.substr(0, eq), setting.substr(eq + 1), error))
            return usageReport(error);
    }
    for (const auto& [option, path] : o.dataOutputs) {
        std::string error;
        if (!run->setDataOutput(option, forRecording(path, file), error))
            return usageReport(error);
    }
    const std::string out = forRecording(o.out, file);
    PageFormat format = PageFormat::Png;
    pageFormatOf(out, format);
    PageFiles files(state.plot, out, format);
    // A long run shows its progress where a person watches, never in a script's log.
    files.setShowProgress(showProgress);
    run->run(o.dpi, files);
    files.finish();
    RecordingReport report;
    for (const std::string& line : run->replacements())
        report.lines.push_back("kelvox-render: " + line);
    if (!files.error().empty()) {
        report.lines.push_back("kelvox-render: " + files.error());
        report.status = files.needsNumberedPattern() ? kExitUsage : kExitCannotOpen;
    }
    return report;
}

// Writes the report of the one recording of a call and gives its status.
int finishAlone(const RecordingReport& report)
{
    for (std::size_t i = 0; i < report.lines.size(); ++i) {
        std::fprintf(stderr, "%s\n", report.lines[i].c_str());
        if (i == 0 && report.showUsage)
            std::fputs(kUsage, stderr);
    }
    return report.status;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    Options o;
    if (const int status = parseOptions({argv + 1, argv + argc}, o); status >= 0)
        return status;

    if (o.info) {
        // The parameter line of each recording; with several, each after its name.
        int status = kExitOk;
        for (const std::string& file : o.files) {
            SignalState signal;
            LoadResult loaded;
            if (!loadRecording(o, file, signal, loaded)) {
                std::fprintf(stderr, "%s\n", cannotOpen(file, loaded).c_str());
                status = kExitCannotOpen;
            } else if (o.files.size() > 1) {
                std::printf("%s: %s\n", file.c_str(), loaded.report.parameterLine.c_str());
            } else {
                std::printf("%s\n", loaded.report.parameterLine.c_str());
            }
        }
        return status;
    }

    // Fonts and print-to-PDF need a Qt application, but never a screen. Qt warns
    // on stderr when it has no runtime folder; give it the one it would take.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/runtime-" + std::to_string(::getuid());
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
        qputenv("XDG_RUNTIME_DIR", runtime.c_str());
    }
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    std::setlocale(LC_NUMERIC, "C");

    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    if (o.files.size() == 1)
        return finishAlone(renderRecording(o, o.files.front(), true, terminal));
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int jobs = o.jobs > 0 ? o.jobs : cores;
    // Recordings drawn side by side use the cores already; a run's own helper thread
    // is for a recording drawn alone.
    const bool helpers = jobs < 2;
    return drawRecordings(
        o.files, jobs, [&](std::size_t i) { return renderRecording(o, o.files[i], helpers, false); }, terminal);
}
