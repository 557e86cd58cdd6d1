#pragma once
// Simulated units for station tests, each a dtusim on its own pseudo-terminal linked into a
// folder that holds copies of the example profile and script, and a station config over them.
#include "provision/station.h"
#include "provision/unit_failure.h"
#include "support/sim_process.h"
#include "support/temp_file_dir.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

class Rig {
public:
    Rig()
    {
        const QDir examples(QStringLiteral(DTU_SOURCE_DIR "/examples"));
        for (const QString &name : examples.entryList(QDir::Files))
            QFile::copy(examples.filePath(name), dir.filePath(name));
    }

    // A simulated unit linked as dir/NAME, with `faults`.
    bool addUnit(const QString &name, const QStringList &faults = {})
    {
        auto sim = std::make_unique<SimProcess>();
        // Each unit has a factory serial number of its own, made from its name.
        const bool ok = sim->start(QStringList{QStringLiteral("--pty"), QStringLiteral("--link"), dir.filePath(name),
                                               QStringLiteral("--profile"), dir.filePath(QStringLiteral("demo_profile.txt")),
                                               QStringLiteral("--identity"), QStringLiteral("auto")} +
                                   faults);
        if (!ok)
            qWarning("%s", qPrintable(sim->errorText()));
        sims.push_back(std::move(sim));
        return ok;
    }

    StationConfig config() const
    {
        StationConfig c;
        c.plan.goldenPath = dir.filePath(QStringLiteral("demo_profile.txt"));
        c.plan.scriptPath = dir.filePath(QStringLiteral("script.js"));
        c.ports = QStringList{dir.filePath(QStringLiteral("unit*"))};
        c.db = dir.filePath(QStringLiteral("records.sqlite"));
        QString error;
        c.uniques << *ParseUniqueSpec(QStringLiteral("设备ID={seq:20000001}"), error);
        c.scanMs = 100;
        return c;
    }

    // Runs a station to its end; the records by port.
    QMap<QString, UnitRecord> run(const StationConfig &c)
    {
        Station station(c);
        QSignalSpy done(&station, &Station::finished);
        QString error;
        if (!station.start(error)) {
            qWarning("%s", qPrintable(error));
            return {};
        }
        if (!done.wait(120000))
            return {};
        QMap<QString, UnitRecord> out;
        for (const UnitRecord &r : station.records())
            out.insert(QFileInfo(r.port).fileName(), r);
        return out;
    }

    TempFileDir dir;
    std::vector<std::unique_ptr<SimProcess>> sims;
};

inline const QString kDeviceId = QStringLiteral("0002");
