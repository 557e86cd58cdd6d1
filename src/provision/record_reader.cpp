#include "provision/record_reader.h"
#include "provision/floor_queries.h"
#include "provision/station_db.h"
#include "platform/file_identity.h"

#include <QPointer>
#include <QThread>
#include <atomic>

namespace {
// Each reading thread keeps its connection to the database it was opened on.
struct ThreadDb {
    QString source;
    int epoch = 0;
    std::unique_ptr<StationDb> db;
};
thread_local ThreadDb t_db;

// `epoch` moves on when the file was replaced: connections of an older one are opened again.
StationDb *threadDb(const QString &source, int epoch, QString &error)
{
    if (t_db.db && t_db.source == source && t_db.epoch == epoch)
        return t_db.db.get();
    auto db = std::make_unique<StationDb>();
    db->setReadOnly(true);
    if (!db->open(source, error))
        return nullptr;
    t_db = ThreadDb{source, epoch, std::move(db)};
    return t_db.db.get();
}

struct Pending {
    std::atomic<bool> answered{false};
};
thread_local const Pending *t_pending = nullptr;
} // namespace

RecordReader::RecordReader(const QString &source, QObject *parent)
    : QObject(parent), m_source(source), m_epoch(std::make_shared<std::atomic<int>>(0)), m_alive(std::make_shared<int>(0))
{
    // A read held by a silent database holds its thread; the others go on.
    m_pool.setMaxThreadCount(4);
    m_pool.setExpiryTimeout(-1);
    m_pollTimer.setInterval(1000);
    connect(&m_pollTimer, &QTimer::timeout, this, &RecordReader::poll);
}

RecordReader::~RecordReader()
{
    m_pollTimer.stop();
    m_alive.reset();
    // Connections close on the threads that opened them.
    for (int i = 0; i < m_pool.maxThreadCount(); ++i)
        m_pool.start([] { t_db = ThreadDb(); });
    m_pool.waitForDone();
}

bool RecordReader::start(QString &error)
{
    StationDb db;
    db.setReadOnly(true);
    if (!db.open(m_source, error))
        return false;
    const auto stamp = RecordsStamp(db, error);
    if (!stamp)
        return false;
    m_stamp = *stamp;
    m_file = FileIdentity(m_source);
    m_pollTimer.start();
    return true;
}

bool RecordReader::Abandoned() { return t_pending && t_pending->answered.load(); }

void RecordReader::read(Work work, Done done, int boundMs, const QString &timeoutText)
{
    auto pending = std::make_shared<Pending>();
    auto shared = std::make_shared<Done>(std::move(done));
    const std::weak_ptr<int> alive = m_alive;
    QPointer<RecordReader> self(this);
    // The bound on the caller's wait, whatever the reading thread does.
    QTimer::singleShot(boundMs, this, [pending, shared, boundMs, timeoutText] {
        if (!pending->answered.exchange(true))
            (*shared)(false, !timeoutText.isEmpty() ? timeoutText
                                                    : QStringLiteral("the database did not answer within %1 s").arg(boundMs / 1000.0));
    });
    const QString source = m_source;
    const auto epoch = m_epoch;
    m_pool.start([=]() {
        if (pending->answered.load())
            return;   // already given up on: no read for nobody
        QString error;
        bool ok = false;
        if (StationDb *db = threadDb(source, epoch->load(), error)) {
            t_pending = pending.get();
            ok = work(*db, error);
            t_pending = nullptr;
            if (!ok && db->notAnswering())
                t_db = ThreadDb();   // a new connection next time
        }
        if (alive.expired())
            return;
        QMetaObject::invokeMethod(self, [=] {
            if (!pending->answered.exchange(true))
                (*shared)(ok, error);
        }, Qt::QueuedConnection);
    });
}

void RecordReader::poll()
{
    if (m_polling)
        return;
    // An SQLite file moved away or replaced: say so, or read the new one.
    if (!m_file.isEmpty()) {
        const QByteArray now = FileIdentity(m_source);
        if (now.isEmpty()) {
            const bool was = m_answering;
            m_answering = false;
            m_silence = QStringLiteral("the records file %1 is gone").arg(m_source);
            if (was)
                emit changed();
            return;
        }
        if (now != m_file) {
            m_file = now;
            m_epoch->fetch_add(1);
            ++m_generation;
            emit changed();
        }
    }
    m_polling = true;
    auto latest = std::make_shared<QString>();
    read(
        [latest](StationDb &db, QString &error) {
            const auto stamp = RecordsStamp(db, error);
            if (stamp)
                *latest = *stamp;
            return stamp.has_value();
        },
        [this, latest](bool ok, const QString &error) {
            m_polling = false;
            const bool was = m_answering;
            m_answering = ok;
            m_silence = ok ? QString() : error;
            if (ok && *latest != m_stamp) {
                m_stamp = *latest;
                ++m_generation;
                emit changed();
            } else if (was != ok) {
                emit changed();
            }
        });
}
