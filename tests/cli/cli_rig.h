#pragma once
// Runs dtucfg as a process in a folder holding copies of the example files, against dtusim
// started with the demo profile, over its pty or its loopback TCP port.
#include "support/sim_process.h"
#include "support/temp_file_dir.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

struct CliResult {
    int exit = -1;
    QByteArray out;
    QString err;

    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
    // code → {value, hex} from a "params" array.
    QMap<QString, QPair<QString, QString>> params() const
    {
        QMap<QString, QPair<QString, QString>> m;
        for (const QJsonValue &v : json().value(QStringLiteral("params")).toArray()) {
            const QJsonObject o = v.toObject();
            m.insert(o.value(QStringLiteral("code")).toString(),
                     {o.value(QStringLiteral("value")).toString(), o.value(QStringLiteral("hex")).toString()});
        }
        return m;
    }
};

class CliRig {
public:
    enum Link { Pty, Tcp };

    CliRig()
    {
        const QDir examples(QStringLiteral(DTU_SOURCE_DIR "/examples"));
        for (const QString &name : examples.entryList(QDir::Files))
            QFile::copy(examples.filePath(name), dir.filePath(name));
    }

    // The simulator with the demo profile's values and `faults`.
    bool startSim(const QStringList &faults = {})
    {
        return sim.start(QStringList{QStringLiteral("--pty"), QStringLiteral("--tcp"), QStringLiteral("0"),
                                     QStringLiteral("--profile"), dir.filePath(QStringLiteral("demo_profile.txt"))} +
                         faults);
    }

    QStringList linkArgs(Link link) const
    {
        if (link == Tcp)
            return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())};
        return {QStringLiteral("--port"), sim.ptyPath()};
    }

    // dtucfg with the link, the demo profile and `args`, run in the rig's folder.
    CliResult run(const QStringList &args, Link link = Pty)
    {
        return runRaw(linkArgs(link) + QStringList{QStringLiteral("--profile"), QStringLiteral("demo_profile.txt")} + args);
    }

    // dtucfg with exactly `args`.
    CliResult runRaw(const QStringList &args, int timeoutMs = 60000)
    {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(executable(), args);
        CliResult r;
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished(1000);
            r.err = QStringLiteral("dtucfg did not finish");
            return r;
        }
        r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    static QString executable()
    {
        QString bin = qEnvironmentVariable("DTU_BIN_DIR");
        if (bin.isEmpty())
            bin = QStringLiteral(DTU_BINARY_DIR "/src");
        return bin + QStringLiteral("/dtucfg");
    }

    TempFileDir dir;
    SimProcess sim;
};

// Fails the test with the tool's stderr when the exit status is not the expected one.
#define CLI_EXPECT(result, code) \
    QVERIFY2((result).exit == (code), qPrintable(QStringLiteral("exit %1, stderr: %2").arg((result).exit).arg((result).err)))
