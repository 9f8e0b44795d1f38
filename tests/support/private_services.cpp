#include "private_services.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace kelvox::test {

// ---------------------------------------------------------------- environment

ScopedEnvironment::~ScopedEnvironment()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second)
            qputenv(it->first.constData(), *it->second);
        else
            qunsetenv(it->first.constData());
    }
}

void ScopedEnvironment::remember(const char* name)
{
    const QByteArray key(name);
    for (const auto& saved : m_saved)
        if (saved.first == key)
            return;
    std::optional<QByteArray> old;
    if (qEnvironmentVariableIsSet(name))
        old = qgetenv(name);
    m_saved.emplace_back(key, old);
}

void ScopedEnvironment::set(const char* name, const QString& value)
{
    remember(name);
    qputenv(name, value.toLocal8Bit());
}

void ScopedEnvironment::unset(const char* name)
{
    remember(name);
    qunsetenv(name);
}

// ---------------------------------------------------------------- processes

bool ServiceProcess::start(const QString& program, const QStringList& arguments, const QString& folder,
                           const QProcessEnvironment& environment, const QString& outputFile, const QString& errorFile)
{
    stop();
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->setWorkingDirectory(folder);
    m_process->setProcessEnvironment(environment);
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(outputFile, QIODevice::Append);
    m_process->setStandardErrorFile(errorFile, QIODevice::Append);
    // The service dies with the test program, even when that is killed.
    m_process->setChildProcessModifier([] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() == 1)
            ::_exit(1);
    });
    m_process->start();
    if (!m_process->waitForStarted(10000)) {
        m_process.reset();
        return false;
    }
    return true;
}

bool ServiceProcess::running() const
{
    return m_process && m_process->state() != QProcess::NotRunning && !m_process->waitForFinished(0);
}

void ServiceProcess::stop(int graceMs)
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(m_process->processId()), SIGCONT);  // a stopped process ends too
        m_process->terminate();
        if (!m_process->waitForFinished(graceMs)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
}

void ServiceProcess::kill()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

void ServiceProcess::signal(int signal)
{
    if (m_process && m_process->state() != QProcess::NotRunning)
        ::kill(static_cast<pid_t>(m_process->processId()), signal);
}

ToolResult runTool(const QString& program, const QStringList& arguments, int timeoutMs)
{
    ToolResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        result.output = program + QStringLiteral(" could not be started.");
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        result.output = program + QStringLiteral(" did not finish.");
        return result;
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.output = QString::fromLocal8Bit(process.readAll());
    return result;
}

bool waitUntil(const std::function<bool()>& ready, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!ready()) {
        if (deadline.hasExpired())
            return ready();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

namespace {

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

// The path of the socket `name` in a service's private folder; "" with the
// reason in `error` when there is no folder or the path would not fit a domain
// socket's 108 bytes.
QString socketPath(const QTemporaryDir& dir, const char* name, QString& error)
{
    if (!dir.isValid()) {
        error = QStringLiteral("No temporary folder for the server.");
        return {};
    }
    const QString path = dir.path() + QLatin1Char('/') + QString::fromLatin1(name);
    if (QFile::encodeName(path).size() >= 100) {
        error = QStringLiteral("The temporary folder's path is too long for a socket: ") + dir.path();
        return {};
    }
    return path;
}

}  // namespace

// ---------------------------------------------------------------- CUPS

namespace {

// The PPD of cups-pdf's queues, as the package installs it.
const char* const cupsPdfPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd";

// cups-pdf reads its settings from the queue's PPD too. Its folders are given
// relative to the scheduler's working folder, the private folder: the PPD reader
// cuts a default value at its first "/".
const char* const cupsPdfSettings = R"(
*OpenUI *Out/Output folder: PickOne
*DefaultOut: out
*Out out/out: ""
*CloseUI: *Out
*OpenUI *Spool/Spool folder: PickOne
*DefaultSpool: pdfspool
*Spool pdfspool/pdfspool: ""
*CloseUI: *Spool
*OpenUI *Log/Log folder: PickOne
*DefaultLog: log
*Log log/log: ""
*CloseUI: *Log
*OpenUI *GSTmp/Ghostscript's temporary folder: PickOne
*DefaultGSTmp: tmp
*GSTmp tmp/tmp: ""
*CloseUI: *GSTmp
*OpenUI *Label/Output file names: PickOne
*DefaultLabel: 1
*Label 1/Job number first: ""
*CloseUI: *Label
)";

// The backend for users other than root: each job's PostScript through ghostscript's
// pdfwrite into <folder>/job_<id>.pdf, the folder given by the device URI.
const char* const fileBackend = R"(#!/bin/sh
[ $# -eq 0 ] && exit 0
folder=${DEVICE_URI#kelvox-pdf:}
[ -n "$6" ] && exec < "$6"
exec gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -dAutoRotatePages=/PageByPage \
  -dPDFSETTINGS=/prepress -sOutputFile="$folder/job_$1.pdf" -
)";

int jobNumber(const QString& fileName)
{
    static const QRegularExpression number(QStringLiteral("^job_(\\d+)"));
    const QRegularExpressionMatch m = number.match(fileName);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

}  // namespace

PrivateCups::PrivateCups() : m_dir(QDir::tempPath() + QStringLiteral("/kelvox-cups-XXXXXX"))
{
    if (!setUp()) {
        m_cupsd.stop();
        if (m_error.isEmpty())
            m_error = QStringLiteral("The private print server did not start.");
        m_error += QStringLiteral("\n") + logs();
    }
}

PrivateCups::~PrivateCups() { m_cupsd.stop(); }

bool PrivateCups::setUp()
{
    const QString socket = socketPath(m_dir, "cups.sock", m_error);
    if (socket.isEmpty())
        return false;
    const QString root = m_dir.path();
    if (!QFileInfo::exists(QStringLiteral("/usr/sbin/cupsd")) || !QFileInfo::exists(cupsPdfPpd)) {
        m_error = QStringLiteral("cupsd or cups-pdf's PPD is missing: run scripts/install-deps.");
        return false;
    }
    QDir dir(root);
    for (const char* sub : {"etc/ppd", "spool", "state", "cache", "log", "out", "pdfspool", "tmp"})
        dir.mkpath(QString::fromLatin1(sub));
    const bool asRoot = ::geteuid() == 0;
    m_usesCupsPdf = asRoot;
    if (asRoot) {
        // The filters run as the user lp: let it through the private folder and
        // write into its temporary folder.
        QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                        QFileDevice::ExeOther);
        ::chmod(QFile::encodeName(root + QStringLiteral("/tmp")).constData(), 01777);
    }

    // Files of the scheduler: everything in the private folder, nothing shared,
    // no web interface, no browsing.
    QByteArray files = "ServerRoot " + QFile::encodeName(root) +
                       "/etc\n"
                       "RequestRoot " +
                       QFile::encodeName(root) +
                       "/spool\n"
                       "TempDir " +
                       QFile::encodeName(root) +
                       "/tmp\n"
                       "StateDir " +
                       QFile::encodeName(root) +
                       "/state\n"
                       "CacheDir " +
                       QFile::encodeName(root) +
                       "/cache\n"
                       "ErrorLog " +
                       QFile::encodeName(root) +
                       "/log/error_log\n"
                       "AccessLog " +
                       QFile::encodeName(root) +
                       "/log/access_log\n"
                       "PageLog " +
                       QFile::encodeName(root) + "/log/page_log\n";
    if (!asRoot) {
        // A private ServerBin with the system's filters and the filing backend.
        dir.mkpath(QStringLiteral("bin/backend"));
        for (const char* sub : {"filter", "daemon", "cgi-bin", "driver", "monitor", "notifier"})
            QFile::link(QStringLiteral("/usr/lib/cups/") + QString::fromLatin1(sub),
                        root + QStringLiteral("/bin/") + QString::fromLatin1(sub));
        const QString backend = root + QStringLiteral("/bin/backend/kelvox-pdf");
        if (!writeFile(backend, fileBackend))
            return false;
        QFile::setPermissions(backend, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
        files += "ServerBin " + QFile::encodeName(root) + "/bin\n";
    }
    const QByteArray scheduler = "Listen " + QFile::encodeName(socket) +
                                 "\n"
                                 "LogLevel debug\n"
                                 "Browsing No\n"
                                 "BrowseLocalProtocols none\n"
                                 "DefaultShared No\n"
                                 "DefaultAuthType None\n"
                                 "WebInterface No\n";
    QFile ppdSource(QString::fromLatin1(cupsPdfPpd));
    if (!ppdSource.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Cannot read ") + QString::fromLatin1(cupsPdfPpd);
        return false;
    }
    QByteArray ppd = ppdSource.readAll();
    // A printable area like a real printer's, the same margin on every side.
    const int m = marginPoints;
    ppd.replace("*ImageableArea A4/A4: \"0 0 595 842\"",
                QStringLiteral("*ImageableArea A4/A4: \"%1 %1 %2 %3\"").arg(m).arg(595 - m).arg(842 - m).toLatin1());
    ppd += cupsPdfSettings;
    const QByteArray device = m_usesCupsPdf ? QByteArray("cups-pdf:/") + queueName().toLatin1()
                                            : "kelvox-pdf:" + QFile::encodeName(root) + "/out";
    const QByteArray printers = "<DefaultPrinter " + queueName().toLatin1() +
                                ">\n"
                                "Info Kelvox test queue\n"
                                "DeviceURI " +
                                device +
                                "\n"
                                "State Idle\n"
                                "Accepting Yes\n"
                                "Shared No\n"
                                "JobSheets none none\n"
                                "ErrorPolicy abort-job\n"
                                "</DefaultPrinter>\n";
    if (!writeFile(root + QStringLiteral("/etc/cups-files.conf"), files) ||
        !writeFile(root + QStringLiteral("/etc/cupsd.conf"), scheduler) ||
        !writeFile(root + QStringLiteral("/etc/ppd/") + queueName() + QStringLiteral(".ppd"), ppd) ||
        !writeFile(root + QStringLiteral("/etc/printers.conf"), printers)) {
        m_error = QStringLiteral("Cannot write the print server's configuration.");
        return false;
    }

    if (!m_cupsd.start(QStringLiteral("/usr/sbin/cupsd"),
                       {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/etc/cupsd.conf"),
                        QStringLiteral("-s"), root + QStringLiteral("/etc/cups-files.conf")},
                       root, QProcessEnvironment::systemEnvironment(), root + QStringLiteral("/log/cupsd.out"),
                       root + QStringLiteral("/log/cupsd.out")))
        return false;

    // This process prints there and reads no client settings of the machine's.
    m_environment.set("CUPS_SERVER", socket);
    m_environment.set("CUPS_SERVERROOT", root + QStringLiteral("/etc"));
    m_environment.unset("LPDEST");
    m_environment.unset("PRINTER");
    const bool up = waitUntil(
        [&] {
            if (!m_cupsd.running() || !QFileInfo::exists(socket))
                return !m_cupsd.running();
            const ToolResult r = runTool(QStringLiteral("lpstat"), {QStringLiteral("-r")}, 5000);
            return r.finished && r.exitCode == 0 && r.output.contains(QStringLiteral("is running"));
        },
        15000);
    if (!up || !m_cupsd.running()) {
        m_error = QStringLiteral("The private print server did not come up.");
        return false;
    }
    return true;
}

int PrivateCups::completedJobs() const
{
    const ToolResult r = runTool(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"),
                                                            QStringLiteral("-o"), queueName()});
    if (!r.finished || r.exitCode != 0)
        return -1;
    return static_cast<int>(r.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
}

QStringList PrivateCups::outputPdfs() const
{
    // A job's file is complete once the scheduler lists the job as completed.
    std::map<int, QString> byJob;
    const QDir out(m_dir.path() + QStringLiteral("/out"));
    for (const QFileInfo& info : out.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        byJob[jobNumber(info.fileName())] = info.absoluteFilePath();
    QStringList files;
    for (const auto& entry : byJob)
        files << entry.second;
    return files;
}

bool PrivateCups::waitForJobs(int jobs, int timeoutMs)
{
    return waitUntil(
        [&] {
            const ToolResult pending = runTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), queueName()}, 5000);
            return pending.finished && pending.output.trimmed().isEmpty() && completedJobs() >= jobs &&
                   outputPdfs().size() >= jobs;
        },
        timeoutMs);
}

QString PrivateCups::logs() const
{
    QString text;
    const QDir logDir(m_dir.path() + QStringLiteral("/log"));
    for (const QFileInfo& info : logDir.entryInfoList(QDir::Files)) {
        if (info.fileName() == QStringLiteral("access_log") || info.fileName() == QStringLiteral("page_log"))
            continue;
        QString content = readText(info.absoluteFilePath());
        // The last lines tell what went wrong.
        const QStringList lines = content.split(QLatin1Char('\n'));
        content = lines.mid(std::max<qsizetype>(0, lines.size() - 40)).join(QLatin1Char('\n'));
        text += QStringLiteral("--- ") + info.fileName() + QStringLiteral("\n") + content + QStringLiteral("\n");
    }
    return text;
}

QString PrivateCups::scratchFolder() const
{
    const QString folder = m_dir.path() + QStringLiteral("/scratch");
    QDir().mkpath(folder);
    return folder;
}

// ---------------------------------------------------------------- PulseAudio

namespace {
const char* const sinkName = "kelvox_test";
}

PrivatePulse::PrivatePulse() : m_dir(QDir::tempPath() + QStringLiteral("/kelvox-pulse-XXXXXX"))
{
    if (!setUp()) {
        m_server.stop();
        if (m_error.isEmpty())
            m_error = QStringLiteral("The private sound server did not start.");
        m_error += QStringLiteral("\n") + log();
    }
}

PrivatePulse::~PrivatePulse()
{
    m_recorder.stop();
    m_server.stop();
}

bool PrivatePulse::setUp()
{
    const QString socket = socketPath(m_dir, "native", m_error);
    if (socket.isEmpty())
        return false;
    const QString root = m_dir.path();
    QDir dir(root);
    for (const char* sub : {"runtime", "home"})
        dir.mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Clients of this process never start the machine's own server.
    const QString clientConf = root + QStringLiteral("/client.conf");
    if (!writeFile(clientConf, "autospawn = no\n"))
        return false;

    // A bare environment: the server finds neither the user's session bus nor the
    // user's settings, and keeps its cookie and databases in the private folder.
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QProcessEnvironment::systemEnvironment().value(
                                                   QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin")));
    environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home/config"));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), root + QStringLiteral("/home/state"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/home/cache"));
    environment.insert(QStringLiteral("PULSE_CLIENTCONFIG"), clientConf);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    // pulseaudio run by root warns and carries on in this per-user mode.
    const QStringList arguments = {
        QStringLiteral("-n"),
        QStringLiteral("--daemonize=no"),
        QStringLiteral("--exit-idle-time=-1"),
        QStringLiteral("--use-pid-file=no"),
        QStringLiteral("--disable-shm=yes"),
        QStringLiteral("--high-priority=no"),
        QStringLiteral("--realtime=no"),
        QStringLiteral("--log-target=stderr"),
        QStringLiteral("--log-level=warn"),
        QStringLiteral("-L"),
        QStringLiteral("module-null-sink sink_name=%1 rate=%2 channels=%3")
            .arg(QString::fromLatin1(sinkName))
            .arg(sinkRateHz)
            .arg(sinkChannels),
        QStringLiteral("-L"),
        QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(socket),
    };
    const QString serverLog = root + QStringLiteral("/pulseaudio.log");
    if (!m_server.start(QStringLiteral("pulseaudio"), arguments, root, environment, serverLog, serverLog)) {
        m_error = QStringLiteral("pulseaudio could not be started: run scripts/install-deps.");
        return false;
    }
    m_environment.set("PULSE_SERVER", QStringLiteral("unix:") + socket);
    m_environment.set("PULSE_CLIENTCONFIG", clientConf);
    m_environment.set("PULSE_COOKIE", root + QStringLiteral("/cookie"));
    m_environment.unset("PULSE_SINK");
    m_environment.unset("PULSE_SOURCE");
    const bool up = waitUntil(
        [&] {
            if (!m_server.running())
                return true;
            if (!QFileInfo::exists(socket))
                return false;
            const ToolResult r = runTool(QStringLiteral("pactl"), {QStringLiteral("info")}, 5000);
            return r.finished && r.exitCode == 0 &&
                   r.output.contains(QStringLiteral("Default Sink: ") + QString::fromLatin1(sinkName));
        },
        15000);
    if (!up || !m_server.running()) {
        m_error = QStringLiteral("The private sound server did not come up.");
        return false;
    }
    return true;
}

bool PrivatePulse::startRecording()
{
    const QString root = m_dir.path();
    QFile::remove(root + QStringLiteral("/recording.raw"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const bool started = m_recorder.start(
        QStringLiteral("parec"),
        {QStringLiteral("--device=%1.monitor").arg(QString::fromLatin1(sinkName)), QStringLiteral("--raw"),
         QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(sinkRateHz),
         QStringLiteral("--channels=%1").arg(sinkChannels), QStringLiteral("--latency-msec=20")},
        root, environment, root + QStringLiteral("/recording.raw"), root + QStringLiteral("/parec.log"));
    // Recording has begun once the first samples arrive.
    return started && waitUntil([&] { return QFileInfo(root + QStringLiteral("/recording.raw")).size() > 0; }, 10000);
}

std::vector<int16_t> PrivatePulse::recorded() const
{
    QFile file(m_dir.path() + QStringLiteral("/recording.raw"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    constexpr std::size_t frameBytes = 2 * sinkChannels;
    std::vector<int16_t> samples(static_cast<std::size_t>(bytes.size()) / frameBytes * sinkChannels);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

void PrivatePulse::stopRecording() { m_recorder.stop(); }

void PrivatePulse::killServer()
{
    m_recorder.kill();
    m_server.kill();
}

void PrivatePulse::freezeServer() { m_server.signal(SIGSTOP); }

void PrivatePulse::thawServer() { m_server.signal(SIGCONT); }

QString PrivatePulse::log() const { return readText(m_dir.path() + QStringLiteral("/pulseaudio.log")); }

}  // namespace kelvox::test
