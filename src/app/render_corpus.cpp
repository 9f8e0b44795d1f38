#include "render_corpus.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

namespace kelvox {

namespace {

constexpr const char* kPrefix = "kelvox-render: ";

std::string lastComponent(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string replaceAll(std::string text, const std::string& what, const std::string& with)
{
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

void writeReport(const RecordingReport& report, const std::string& file)
{
    const std::string prefix(kPrefix);
    for (const std::string& line : report.lines) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            std::fprintf(stderr, "%s%s: %s\n", kPrefix, file.c_str(), line.c_str() + prefix.size());
        else
            std::fprintf(stderr, "%s\n", line.c_str());
    }
}

}  // namespace

std::string recordingName(const std::string& path)
{
    const std::string name = lastComponent(path);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string recordingFolder(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string forRecording(const std::string& pattern, const std::string& path)
{
    return replaceAll(replaceAll(pattern, "{name}", recordingName(path)), "{dir}", recordingFolder(path));
}

int drawRecordings(const std::vector<std::string>& files, int jobs,
                   const std::function<RecordingReport(std::size_t)>& draw, bool progress)
{
    const std::size_t count = files.size();
    std::vector<std::optional<RecordingReport>> reports(count);
    std::mutex mutex;
    std::condition_variable done;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            RecordingReport report = draw(i);
            std::lock_guard lock(mutex);
            reports[i] = std::move(report);
            done.notify_all();
        }
    };
    const std::size_t threads = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), 1, count);
    std::vector<std::thread> workers;
    if (threads > 1)
        for (std::size_t t = 0; t < threads; ++t)
            workers.emplace_back(work);
    else
        work();

    // The reports in the order of the recordings, each as soon as it is there.
    int status = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return reports[i].has_value(); });
        const RecordingReport report = std::move(*reports[i]);
        reports[i].reset();
        lock.unlock();
        if (progress)
            std::fputc('\r', stderr);
        writeReport(report, files[i]);
        if (report.status != 0)
            status = 1;
        if (progress)
            std::fprintf(stderr, "\r%s%zu of %zu recordings", kPrefix, i + 1, count);
    }
    if (progress)
        std::fputc('\n', stderr);
    for (std::thread& worker : workers)
        worker.join();
    return status;
}

}  // namespace kelvox
