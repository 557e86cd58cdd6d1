#include "provision/station_host.h"

StationHost::StationHost(StationConfig config, QObject *parent) : QObject(parent), m_context(new QObject)
{
    qRegisterMetaType<UnitRecord>();
    qRegisterMetaType<UnitStep>();
    m_context->moveToThread(&m_thread);
    m_thread.start();
    // Made on its thread, so that its timers and database connection belong there.
    QMetaObject::invokeMethod(
        m_context,
        [this, c = std::move(config)] {
            m_station = new Station(c);
            connect(m_station, &Station::unitStarted, this, &StationHost::unitStarted);
            connect(m_station, &Station::unitProgress, this, &StationHost::unitProgress);
            connect(m_station, &Station::unitFinished, this, &StationHost::unitFinished);
            connect(m_station, &Station::portWaiting, this, &StationHost::portWaiting);
            connect(m_station, &Station::unitGone, this, &StationHost::unitGone);
            connect(m_station, &Station::warning, this, &StationHost::warning);
            connect(m_station, &Station::notice, this, &StationHost::notice);
            connect(m_station, &Station::targetReached, this, &StationHost::targetReached);
            connect(m_station, &Station::finished, this, &StationHost::finished);
        },
        Qt::BlockingQueuedConnection);
}

StationHost::~StationHost()
{
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            disconnect(m_station, nullptr, this, nullptr);
            delete m_station;
            m_station = nullptr;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

void StationHost::start()
{
    QMetaObject::invokeMethod(m_context, [this] {
        QString error;
        if (m_station->start(error))
            emit started();
        else
            emit startFailed(error);
    });
}

void StationHost::stop()
{
    QMetaObject::invokeMethod(m_context, [this] { m_station->stop(); });
}
