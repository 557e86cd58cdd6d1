#pragma once
// A production run: every unit on the listed ports at the same time, each on its own thread,
// per-unit values from the database's counters or a units file, one record per unit attempt.
// In station mode the ports are watched and each unit that appears is provisioned: a new port,
// or on an idle port (done, failed or empty) the first answer to a light query after silence,
// or an answer from another unit.
#include "provision/outbox.h"
#include "provision/port_probe.h"
#include "provision/station_db.h"
#include "provision/unit_runner.h"
#include "provision/unit_values.h"
#include "provision/value_pool.h"

#include <QHash>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <optional>

class CoreSession;

struct StationConfig {
    UnitPlan plan;
    QString name;               // the station's name in the records; empty: the host's
    int target = 0;             // station mode: stop once this many units passed (0: never)
    QStringList ports;          // device paths and patterns
    QStringList tcpHosts;       // host[:port]
    QList<UniqueSpec> uniques;
    QString unitsFile;
    QString db;
    // Name or code of the row each unit carries from its own factory (serial number, IMEI): how
    // the station knows a unit. Empty: units are told apart by the values handed out.
    QString identity;
    bool watch = false;
    bool skipDone = false;      // outside station mode too, a done unit is skipped (the window)
    bool again = false;         // provision a unit that was already done
    int scanMs = 300;
    int probeMs = 1000;         // the light query on an idle port
};

class Station : public QObject {
    Q_OBJECT
public:
    explicit Station(StationConfig config, QObject *parent = nullptr);
    ~Station() override;

    // Opens the database, checks the golden profile and the unit values, starts the units found.
    bool start(QString &error);
    // No new units; finished() follows once the units in progress are done.
    void stop();
    bool isStopping() const { return m_stopping; }
    int running() const { return m_runners.size(); }
    const QList<UnitRecord> &records() const { return m_records; }

signals:
    void unitStarted(const QString &port);
    void unitProgress(const QString &port, UnitStep step, const QString &code, int n, int total);
    void unitFinished(const UnitRecord &record);
    // Station mode: nobody answered on the port; it is watched for a unit.
    void portWaiting(const QString &port);
    // Station mode: the unit on the port was removed (the port vanished or stays silent).
    void unitGone(const QString &port);
    // Station mode: the target was reached; the station stops.
    void targetReached();
    void warning(const QString &text);
    // What went well after a warning (records that waited are stored now): not a failure.
    void notice(const QString &text);
    void finished();

private:
    void scan();
    void launch(const QString &port);
    void unitDone(UnitRunner *runner);
    void finishIfIdle();
    // On the station's thread: the unit's values, or why it is skipped or fails.
    UnitValues valuesFor(const UnitIdentity &identity);
    UnitValues valuesForIdentified(const UnitIdentity &identity);
    // Records of the unit `unitId` in the database and the outbox, the latest first.
    std::optional<QList<UnitRecord>> recordsOf(const QString &unitId, UnitValues &failed);
    // The records in the outbox; a warning when it cannot be read.
    QList<UnitRecord> waitingRecords();
    bool checkPlan(QString &error);
    void flushOutbox();
    void forgetUnitOn(const QString &port);

    StationConfig m_c;
    StationDb m_db;
    std::optional<Outbox> m_outbox;   // records the database could not take yet
    std::unique_ptr<CoreSession> m_golden;   // the script and the golden profile, for the values
    ValuePool m_values;
    QHash<QString, UnitRunner *> m_runners;
    struct Idle {
        std::optional<QString> fingerprint;   // the unit that is there; nullopt: nobody answers
        bool baseline = false;                // the next answer is the unit that stayed (it failed)
    };
    void probe();
    void probeDone(const QString &port, const QString &fingerprint);
    void dropProbe(const QString &port);
    QHash<QString, Idle> m_idle;          // ports between units
    QHash<QString, PortProbe *> m_probes;
    QStringList m_probeCodes;             // the rows a probe reads besides the version
    QHash<QString, QString> m_unitIds;    // port → identity of the unit there
    QHash<QString, QString> m_twice;      // identity seen on two ports at once → the port that came second
    QTimer m_probe;
    QList<UnitRecord> m_records;
    QTimer m_scan;
    int m_passed = 0;
    bool m_started = false;
    bool m_stopping = false;
    std::atomic<bool> m_closing{false};
};
