#pragma once
// One unit on one port, on a thread of its own with its own core session: open, read version and
// identity, write the golden and the unit's own values, read everything written back and compare.
// A unit that fails or hangs only ever ends its own thread.
#include "provision/unit_link.h"
#include "provision/unit_record.h"

#include <QMap>
#include <QStringList>
#include <QThread>
#include <functional>

// Where a unit's run is; writes and the read-back count their own steps.
enum class UnitStep { Open, Version, Read, Values, Write, Verify };
Q_DECLARE_METATYPE(UnitStep)

// What every unit of a run gets.
struct UnitPlan {
    QString goldenPath;
    QString scriptPath;
    LinkSettings link;
    bool onlyChanged = false;
    QStringList uniqueParams;   // names or codes read as the unit's identity before writing
    QString identityParam;      // name or code of the unit's own identity row; empty: none
    QString station;            // the name records carry; empty: the host's name
};

// What a probe of an idle port compares to know the unit behind it: the version text and the
// stored values of `codes` (the identity row, else the unique rows).
QString UnitFingerprint(const QString &version, const QMap<QString, QString> &storedByCode);

// Who the unit is and what it holds of its unique parameters before anything is written.
struct UnitIdentity {
    QString port;
    QString unitId;                  // its own identity (the plan's identity row); empty without one
    QMap<QString, QString> shown;    // code → shown value
    QMap<QString, QString> stored;   // code → stored value, "HEX:" and upper-case digits
    // It holds every other row of the golden (main and extended) as the golden has it.
    bool holdsGolden = false;
    QString goldenHash;              // of the golden and its extended file, as this unit got them
};

// The answer of the station to a unit that has been identified.
struct UnitValues {
    bool skip = false;              // already done
    bool reused = false;            // the values given to this unit before (no new value taken)
    QString failureCode;            // no values left, database failure…: the unit fails
    QStringList failureArgs;
    QMap<QString, QString> values;  // parameter (name or code) → text, converted as `set` does

    bool failed() const { return !failureCode.isEmpty(); }
    void fail(const QString &code, const QStringList &args)
    {
        failureCode = code;
        failureArgs = args;
    }
};

class UnitRunner : public QThread {
    Q_OBJECT
public:
    // Called on the unit's thread with the unit's identity; must be thread-safe.
    using ValueSource = std::function<UnitValues(const UnitIdentity &identity)>;

    UnitRunner(const QString &port, const UnitPlan &plan, ValueSource source, QObject *parent = nullptr);

    QString port() const { return m_port; }
    // Complete once finished() was emitted.
    UnitRecord record() const { return m_record; }

signals:
    // Queued to the station: what the unit is doing. Writes count `n` of `total` writes (`code`
    // the parameter written), the read-back `n` of `total` tables; other steps are 1 of 1.
    void progress(const QString &port, UnitStep step, const QString &code, int n, int total);

protected:
    void run() override;

private:
    QString m_port;
    UnitPlan m_plan;
    ValueSource m_source;
    UnitRecord m_record;
};
