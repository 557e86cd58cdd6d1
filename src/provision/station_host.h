#pragma once
// A station on a thread of its own, so that its database work (bounded, but seconds long when a
// server does not answer) never holds up the window that shows it. Its signals arrive queued.
#include "provision/station.h"

#include <QObject>
#include <QThread>

class StationHost : public QObject {
    Q_OBJECT
public:
    explicit StationHost(StationConfig config, QObject *parent = nullptr);
    // Ends the station; call once finished() has come, or units in progress lose their records.
    ~StationHost() override;

    // started() or startFailed() follows.
    void start();
    // No new units; finished() follows once the units in progress are done.
    void stop();

signals:
    void started();
    void startFailed(const QString &error);
    void unitStarted(const QString &port);
    void unitProgress(const QString &port, UnitStep step, const QString &code, int n, int total);
    void unitFinished(const UnitRecord &record);
    void portWaiting(const QString &port);
    void unitGone(const QString &port);
    void warning(const QString &text);
    void notice(const QString &text);
    void targetReached();
    void finished();

private:
    QThread m_thread;
    QObject *m_context;     // lives on m_thread
    Station *m_station = nullptr;
};
