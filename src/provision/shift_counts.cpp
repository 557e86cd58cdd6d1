#include "provision/shift_counts.h"
#include "provision/floor_queries.h"
#include "provision/record_reader.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

ShiftCounts::ShiftCounts(QObject *parent) : QObject(parent) {}

ShiftCounts::~ShiftCounts() = default;

QString ShiftCounts::settingsKey() const
{
    const QString where = QUrl(m_db).scheme().startsWith(QLatin1String("postgres")) ? m_db : QFileInfo(m_db).absoluteFilePath();
    return QStringLiteral("station/shiftStart/") +
           QString::fromLatin1(QCryptographicHash::hash((where + QLatin1Char('\n') + m_station).toUtf8(),
                                                        QCryptographicHash::Sha256).toHex().left(16));
}

void ShiftCounts::follow(const QString &db, const QString &station)
{
    m_db = db;
    m_station = station;
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("dtu-config"), QStringLiteral("dtu-config"));
    m_start = QDateTime::fromString(settings.value(settingsKey()).toString(), Qt::ISODateWithMs);
    if (!m_start.isValid()) {
        // The first shift of this station starts when it is first followed.
        m_start = QDateTime::currentDateTimeUtc();
        settings.setValue(settingsKey(), m_start.toString(Qt::ISODateWithMs));
    }
    m_tally = StationTally();
    m_first = QDateTime();
    m_local.clear();
    m_loaded = false;
    m_readError.clear();
    const quint64 generation = ++m_generation;
    m_reader = std::make_unique<RecordReader>(db);
    auto counts = std::make_shared<std::optional<FloorCounts>>();
    const FloorSpan span{m_start, QDateTime::currentDateTimeUtc()};
    m_reader->read(
        [counts, span, station](StationDb &d, QString &error) {
            *counts = ReadFloor(d, span, station, error);
            return counts->has_value();
        },
        [this, counts, generation](bool ok, const QString &error) {
            if (generation != m_generation)
                return;
            m_loaded = true;
            // A station that never stored a record has no database yet: nothing to count.
            m_readError = ok || (!QFileInfo::exists(m_db) && !m_db.contains(QLatin1String("://"))) ? QString() : error;
            if (ok && !(*counts)->stations.isEmpty()) {
                m_tally = (*counts)->stations.first().tally;
                m_first = (*counts)->stations.first().first;
            }
            for (const UnitRecord &r : std::as_const(m_local))
                add(r);
            m_local.clear();
            emit changed();
        },
        8000);
    emit changed();
}

void ShiftCounts::add(const UnitRecord &record)
{
    if (!m_loaded) {
        m_local.append(record);
        return;
    }
    if (record.started < m_start)
        return;
    m_tally.add(record);
    if (!m_first.isValid())
        m_first = record.started;
    emit changed();
}

void ShiftCounts::newShift()
{
    m_start = QDateTime::currentDateTimeUtc();
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("dtu-config"), QStringLiteral("dtu-config"));
    settings.setValue(settingsKey(), m_start.toString(Qt::ISODateWithMs));
    ++m_generation;
    m_tally = StationTally();
    m_first = QDateTime();
    m_local.clear();
    m_loaded = true;
    m_readError.clear();
    emit changed();
}

double ShiftCounts::perHour() const
{
    return m_first.isValid() ? m_tally.perHour(m_first.msecsTo(QDateTime::currentDateTimeUtc())) : 0;
}
