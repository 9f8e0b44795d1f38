#pragma once
// A print server and a sound server of the test's own, so that printing and
// playback can be tested end to end without touching the machine's printers or
// sound set-up. Each object starts its service in a temporary folder of its own,
// points this process (the Kelvox under test) at it through the environment, and
// stops it and removes the folder when it goes, whatever happened; a service
// outlives neither its object nor the test program, even one killed on a timeout.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kelvox::test {

/// Sets environment variables of this process while it lives; puts the old values back.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    void set(const char* name, const QString& value);
    void unset(const char* name);

private:
    void remember(const char* name);
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

/// A server process started by the test: ended (SIGTERM, SIGKILL after a grace
/// time) when the object goes, and killed by the kernel if the test program dies.
class ServiceProcess {
public:
    ServiceProcess() = default;
    ~ServiceProcess() { stop(); }
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    /// Starts `program` in `folder` with `environment`; standard output goes to
    /// `outputFile`, standard error to `errorFile`. False when it cannot be started.
    bool start(const QString& program, const QStringList& arguments, const QString& folder,
               const QProcessEnvironment& environment, const QString& outputFile, const QString& errorFile);
    bool running() const;
    /// SIGTERM, then SIGKILL after `graceMs`; waits until the process is gone.
    void stop(int graceMs = 5000);
    /// SIGKILL at once: the service goes away without a word.
    void kill();
    /// Sends `signal` to the process.
    void signal(int signal);

private:
    std::unique_ptr<QProcess> m_process;
};

/// Result of a short command-line tool.
struct ToolResult {
    bool finished = false;  // started and ended by itself within the time allowed
    int exitCode = -1;
    QString output;  // standard output and error
};
/// Runs `program` with this process's environment and waits at most `timeoutMs`.
ToolResult runTool(const QString& program, const QStringList& arguments, int timeoutMs = 20000);

/// Waits, running events, until `ready` holds or `timeoutMs` has passed; returns `ready()`.
bool waitUntil(const std::function<bool()>& ready, int timeoutMs);

/// A private CUPS scheduler with one PDF queue, the default printer of this
/// process while the object lives (CUPS_SERVER and CUPS_SERVERROOT point at it).
/// Run as root, the queue is a cups-pdf queue whose folders lie in the temporary
/// folder; cups-pdf's backend can only run as root, so for other users the queue
/// files each job through ghostscript's pdfwrite, the same conversion cups-pdf
/// makes, with the same PPD and filters before it.
class PrivateCups {
public:
    PrivateCups();
    ~PrivateCups();
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    /// "" when the scheduler runs with its queue; otherwise what went wrong.
    const QString& error() const { return m_error; }
    static QString queueName() { return QStringLiteral("kelvox-test"); }
    /// The queue's A4 sheets can be printed on from this far inside each edge.
    static constexpr int marginPoints = 14;

    /// Waits until no job is pending and `jobs` jobs have completed with a PDF
    /// each; false after `timeoutMs`.
    bool waitForJobs(int jobs, int timeoutMs = 60000);
    /// Jobs the scheduler lists as completed (printed, aborted or cancelled).
    int completedJobs() const;
    /// The PDF files the queue has written, in job order.
    QStringList outputPdfs() const;
    /// The scheduler's error log and the queue's own log, for failure messages.
    QString logs() const;
    /// A scratch folder inside the private folder, removed with it.
    QString scratchFolder() const;

private:
    bool setUp();
    QTemporaryDir m_dir;
    ScopedEnvironment m_environment;
    ServiceProcess m_cupsd;
    bool m_usesCupsPdf = false;
    QString m_error;
};

/// A private PulseAudio server with one null sink, the only sink this process
/// sees while the object lives (PULSE_SERVER points at it, autospawn is off, the
/// cookie lies in the temporary folder). What the sink plays is recorded from its
/// monitor with parec.
class PrivatePulse {
public:
    PrivatePulse();
    ~PrivatePulse();
    PrivatePulse(const PrivatePulse&) = delete;
    PrivatePulse& operator=(const PrivatePulse&) = delete;

    const QString& error() const { return m_error; }
    static constexpr int sinkRateHz = 48000;
    static constexpr int sinkChannels = 2;

    /// Starts recording the sink's monitor: 16-bit, sinkChannels at sinkRateHz.
    bool startRecording();
    /// Interleaved samples recorded so far, whole frames only.
    std::vector<int16_t> recorded() const;
    void stopRecording();
    /// Kills the server at once, as a sound server that crashes.
    void killServer();
    /// Stops the server (SIGSTOP), as a sound server that hangs, and lets it go on.
    void freezeServer();
    void thawServer();
    /// The server's log, for failure messages.
    QString log() const;

private:
    bool setUp();
    QTemporaryDir m_dir;
    ScopedEnvironment m_environment;
    ServiceProcess m_server;
    ServiceProcess m_recorder;
    QString m_error;
};

}  // namespace kelvox::test
