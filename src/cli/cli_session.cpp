#include "cli/cli_session.h"

#include "link/serial_channel.h"
#include "link/serial_settings.h"
#include "link/tcp_channel.h"
#include "text/json_text.h"

#include "platform/input_file.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

namespace {
constexpr int kTcpLineRate = 1000000;
constexpr int kWaitPortRetryMs = 500;  // bytes/s: the quiet gap after a frame falls to its minimum
const char kDefaultBaud[] = "57600";
const char kDefaultFormat[] = "8N1";
} // namespace

void CliSink::logLine(const QString &line)
{
    RecordingSink::logLine(line);
    if (sessionLog)
        sessionLog->line(QStringLiteral("Memo1"), line);
    if (m_echo)
        CliOutput::note(line);
}

CliSession::CliSession(const CliOptions &options)
    : m_opt(options),
      m_commands(m_core),
      m_params(m_core, [this](int n) { m_commands.SelectParamChannel(n); }),
      m_out(options.json),
      m_sink(options.trace)
{
    if (m_opt.trace) {
        // Every frame sent and received, in hex, as the service level logs them.
        m_core.state.PrivilegeLevel = 1;
        QObject::connect(&m_core.state, &AppState::logAppended, &m_core.state,
                         [](const QString &line) { CliOutput::note(line); });
    }
    // Nothing is reopened behind the user's back: a channel that goes away ends the run.
    QObject::connect(&m_core.poll, &ReceivePoll::serialLost, &m_core.state, [this](const QString &reason) {
        if (m_connected && !m_lost)
            m_lost = QStringLiteral("the serial port %1 vanished%2").arg(
                m_opt.port, reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
    });
    QObject::connect(&m_core.link.tcp(), &TcpChannel::disconnected, &m_core.state, [this] {
        if (m_connected && !m_lost) {
            const QString why = m_core.link.tcp().errorString();
            m_lost = QStringLiteral("the TCP link to %1 dropped%2").arg(
                m_opt.tcp, why.isEmpty() ? QString() : QStringLiteral(": ") + why);
        }
    });
}

CliSession::~CliSession()
{
    // The writer tells of a failed write through the event loop: what it still has to say is
    // said before the run ends.
    m_core.log.close();
    QCoreApplication::sendPostedEvents(&m_core.log);
    // Tearing the session down closes its channels; the watchers above must not see that as a
    // lost channel while the parts they read are already gone.
    QObject::disconnect(&m_core.link.tcp(), nullptr, &m_core.state, nullptr);
    QObject::disconnect(&m_core.poll, nullptr, &m_core.state, nullptr);
}

std::optional<QString> CliSession::lostChannel() const
{
    if (m_lost)
        return m_lost;
    // A wait that noticed the failure itself ends before the port reports it.
    const SerialChannel &serial = const_cast<CoreSession &>(m_core).link.serial();
    if (m_connected && !viaTcp() && serial.hasFatalError())
        return QStringLiteral("the serial port %1 vanished: %2").arg(m_opt.port, serial.errorString());
    return std::nullopt;
}

std::optional<CliError> CliSession::openLog()
{
    if (m_opt.logFile.isEmpty())
        return std::nullopt;
    // A pipe would be opened twice (here and by the log's own thread): the first close ends
    // the reader, the second open then waits for one for ever. Refused at once instead.
    if (IsFifo(QFile::encodeName(m_opt.logFile)))
        return CliError{exOther, QStringLiteral("cannot write the log file %1: a pipe cannot hold the log; give a file").arg(m_opt.logFile)};
    QFile probe(m_opt.logFile);
    const QFileInfo info(m_opt.logFile);
    const bool device = info.exists() && !info.isFile();  // /dev/full, a pipe: nothing to append at
    if (!probe.open(QIODevice::WriteOnly | (device ? QIODevice::NotOpen : QIODevice::Append)))
        return CliError{exOther, QStringLiteral("cannot write the log file %1: %2").arg(m_opt.logFile, probe.errorString())};
    probe.close();
    SessionLog &log = m_core.log;
    log.openFile(m_opt.logFile);
    m_sink.sessionLog = &log;
    // Lines the operations log for m_log that do not pass through the sink (the frame log).
    QObject::connect(&m_core.state, &AppState::logAppended, &log,
                     [&log](const QString &line) { log.line(QStringLiteral("Memo1"), line); });
    // A log that cannot be written (disk full, /dev/full) is a warning, once, not a silent loss.
    QObject::connect(&log, &SessionLog::failed, &log, [](const QString &text) { CliOutput::note(QStringLiteral("warning: ") + text); });
    QObject::connect(&log, &SessionLog::recovered, &log, [](const QString &text) { CliOutput::note(QStringLiteral("warning: ") + text); });
    return std::nullopt;
}

std::optional<CliError> CliSession::loadScript()
{
    QString fileError;
    const ScriptResult r = m_core.script.evaluateFile(m_opt.script, &fileError);
    if (!fileError.isEmpty())
        return CliError{exOther, QStringLiteral("cannot read the script file %1: %2").arg(m_opt.script, fileError)};
    if (!r.ok)
        return CliError{exOther, QStringLiteral("error in the script file %1: %2").arg(m_opt.script, r.error)};
    return std::nullopt;
}

std::optional<CliError> CliSession::loadProfile(const QString &path)
{
    if (!QFileInfo::exists(path))
        return CliError{exOther, QStringLiteral("profile file %1 does not exist").arg(path)};
    const ProfileLoadResult r = m_core.profile.LoadProfile(path);
    if (!r.ok)
        return CliError{exOther, QStringLiteral("cannot load the profile: ") + r.error};
    for (const QString &e : r.entryErrors)
        CliOutput::note(QStringLiteral("warning: ") + e);
    if (!r.extOk)
        CliOutput::note(QStringLiteral("warning: the extended parameter file was not loaded: ") + r.extError);
    return std::nullopt;
}

std::optional<CliError> CliSession::loadProfileOption()
{
    if (m_opt.profile.isEmpty())
        return std::nullopt;
    return loadProfile(m_opt.profile);
}

std::optional<CliError> CliSession::requireProfile() const
{
    if (m_core.profile.isLoaded())
        return std::nullopt;
    return CliError{exUsage, QStringLiteral("the command \"%1\" needs a device profile: give --profile FILE").arg(m_opt.command)};
}

std::optional<CliError> CliSession::connect()
{
    m_core.state.FastReplies = !m_opt.strictTiming;
    if (m_opt.port.isEmpty() && m_opt.tcp.isEmpty())
        return CliError{exUsage, QStringLiteral("no connection given: use --port PATH or --tcp HOST[:PORT]")};

    // A production bench plugs the next unit in: wait for it instead of failing at once.
    QElapsedTimer waited;
    waited.start();
    const qint64 limitMs = qint64(m_opt.waitPortS) * 1000;
    bool told = false;
    for (;;) {
        const qint64 left = limitMs - waited.elapsed();
        std::optional<CliError> e = connectOnce(m_opt.waitPortS > 0 ? int(std::clamp<qint64>(left, 200, std::max(200, m_opt.timeoutMs)))
                                                                    : m_opt.timeoutMs);
        if (!e) {
            m_connected = true;
            return std::nullopt;
        }
        if (e->exit != exNoChannel || limitMs - waited.elapsed() <= 0)
            return e;
        if (!told) {
            CliOutput::note(QStringLiteral("waiting up to %1 s for %2 ...").arg(m_opt.waitPortS).arg(viaTcp() ? m_opt.tcp : m_opt.port));
            told = true;
        }
        QEventLoop pause;
        QTimer::singleShot(int(std::min<qint64>(kWaitPortRetryMs, std::max<qint64>(1, limitMs - waited.elapsed()))),
                           &pause, &QEventLoop::quit);
        pause.exec();
    }
}

std::optional<CliError> CliSession::connectOnce(int tcpWaitMs)
{
    if (viaTcp()) {
        const QString why = m_core.link.tcp().connectAndWait(m_opt.tcp, tcpWaitMs);
        if (!why.isEmpty())
            return CliError{exNoChannel, QStringLiteral("cannot connect to %1: %2").arg(m_opt.tcp, why)};
        m_core.engine.setLineRate(kTcpLineRate);
        return std::nullopt;
    }

    const auto *root = m_core.profile.root();
    auto profileText = [root](const char *key) { return root ? JsonMemberText(*root, key) : QString(); };
    QString baudText = m_opt.baud;
    if (baudText.isEmpty())
        baudText = profileText("Baudrate");
    if (baudText.isEmpty())
        baudText = QLatin1String(kDefaultBaud);
    // A rate the port cannot take falls back to 9600 in the window; on the command line it is a mistake.
    if (!m_opt.baud.isEmpty() && BaudFromText(m_opt.baud) == 9600 && m_opt.baud != QLatin1String("9600"))
        return CliError{exUsage, QStringLiteral("unsupported baud rate \"%1\"").arg(m_opt.baud)};
    QString formatText = m_opt.format;
    if (formatText.isEmpty())
        formatText = profileText("ComOption");
    if (formatText.isEmpty())
        formatText = QLatin1String(kDefaultFormat);
    static const QRegularExpression formatRe(QStringLiteral("^[78][NEO][12]$"));
    if (!m_opt.format.isEmpty() && !formatRe.match(m_opt.format).hasMatch())
        return CliError{exUsage, QStringLiteral("data format \"%1\" is not like 8N1 (data bits 7/8, parity N/E/O, stop bits 1/2)").arg(m_opt.format)};

    SerialSettings s;
    s.portName = m_opt.port;
    s.baudRate = BaudFromText(baudText);
    ApplyFormatText(formatText, s);
    SerialChannel &serial = m_core.link.serial();
    if (!serial.open(s))
        return CliError{exNoChannel, QStringLiteral("cannot open the serial port %1: %2").arg(m_opt.port, serial.errorString())};
    // As after opening the port in the window: no set is selected while the extended table exists.
    m_core.state.ParamChannel = m_core.state.ExtTabVisible ? -1 : m_core.state.MainParamChannel;
    m_core.engine.setLineRate(qMax(1, s.baudRate / 10));
    return std::nullopt;
}

void CliSession::selectSetFor(const ParamTable &table)
{
    m_commands.SelectParamChannel(table.isExtended() ? 0 : m_core.state.MainParamChannel);
}

CliError CliSession::errorFromText(const QString &text)
{
    if (text == DataLink::NotOpenedText() || text == DataLink::NoChannelMessage() ||
        text == TcpChannel::NotConnectedText())
        return CliError{exNoChannel, QStringLiteral("no data channel: ") + text};
    return CliError{exOther, text};
}
