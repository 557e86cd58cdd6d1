// dtucfg: the tool's device operations from the command line, for scripts and test benches.
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "cli/station_cli.h"
#include "text/language.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>

namespace {
using Runner = int (*)(CliSession &, QString &);

Runner runnerFor(const QString &command)
{
    static const QList<QPair<QString, Runner>> table = {
        {QStringLiteral("ports"), RunPorts},   {QStringLiteral("read"), RunRead},
        {QStringLiteral("get"), RunGet},       {QStringLiteral("set"), RunSet},
        {QStringLiteral("apply"), RunApply},   {QStringLiteral("dump"), RunDump},
        {QStringLiteral("send"), RunSend},     {QStringLiteral("at"), RunAt},
        {QStringLiteral("button"), RunButton},  {QStringLiteral("diff"), RunDiff},
        {QStringLiteral("lint"), RunLint},
    };
    for (const auto &entry : table)
        if (entry.first == command)
            return entry.second;
    return RunDeviceCommand;
}

bool needsProfile(const QString &command)
{
    static const QStringList commands = {QStringLiteral("read"), QStringLiteral("get"), QStringLiteral("set"),
                                         QStringLiteral("dump"), QStringLiteral("button")};
    return commands.contains(command);
}
} // namespace

int main(int argc, char **argv)
{
    if (IsDashboardCommand(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("dtucfg"));
        return RunDashboardCli(argc, argv);
    }
    if (IsStationCommand(argc, argv)) {
        // Labels are painted, which needs a GUI application, but never a display: a line PC may
        // run the station as a service.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("dtucfg"));
        return RunStationCli(argc, argv);
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dtucfg"));

    CliOptions options;
    QString error;
    if (!ParseCliOptions(app.arguments(), options, error)) {
        CliOutput out(app.arguments().contains(QStringLiteral("--json")));
        return out.finish(exUsage, error);
    }
    if (options.help) {
        const QByteArray text = CliHelpText().toUtf8();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        return exOk;
    }

    UiLanguage language = UiLanguage::Chinese;
    if (!StartLanguage(options.lang, language, error)) {
        CliOutput out(options.json);
        return out.finish(exUsage, error);
    }
    if (!ApplyLanguage(language)) {
        CliOutput out(options.json);
        return out.finish(exOther, QStringLiteral("the English texts are missing from this build"));
    }

    CliSession session(options);
    if (options.command == QLatin1String("lint"))
        return session.out().finish(RunLint(session, error), error);
    if (options.command != QLatin1String("ports")) {
        std::optional<CliError> e = session.openLog();
        if (!e)
            e = session.loadScript();
        if (!e)
            e = session.loadProfileOption();
        if (!e && needsProfile(options.command))
            e = session.requireProfile();
        if (e)
            return session.out().finish(e->exit, e->text);
    }
    const int rc = runnerFor(options.command)(session, error);
    // A port that vanished mid-command ends the run as "no channel", with its reason.
    if (rc != exOk && session.lostChannel())
        return session.out().finish(exNoChannel, *session.lostChannel());
    return session.out().finish(rc, error);
}
