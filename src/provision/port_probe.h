#pragma once
// Light queries on an idle station port, on a thread of its own that lives as long as the port
// is idle: the version and the rows that tell units apart (the identity row, else the unique
// rows), so that a unit swapped for another of the same model on a port that stays is noticed by
// its answer. The script and the golden are loaded once, not for every query (the script engine
// is a process of its own).
#include "provision/unit_link.h"

#include <QSemaphore>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>

class PortProbe : public QThread {
    Q_OBJECT
public:
    PortProbe(QString port, LinkSettings link, QString scriptPath, QString goldenPath, QStringList codes,
              QObject *parent = nullptr)
        : QThread(parent), m_port(std::move(port)), m_link(std::move(link)), m_script(std::move(scriptPath)),
          m_golden(std::move(goldenPath)), m_codes(std::move(codes))
    {
    }
    // Ends the thread after the query in progress, if any.
    ~PortProbe() override;
    QString port() const { return m_port; }
    // One query; answered() follows. Ignored while one is in progress.
    void query();
    bool busy() const { return m_busy; }

signals:
    // `fingerprint`: UnitFingerprint() of the unit that answered, empty when nothing answered.
    void answered(const QString &port, const QString &fingerprint);

protected:
    void run() override;

private:
    QString m_port;
    LinkSettings m_link;
    QString m_script;
    QString m_golden;
    QStringList m_codes;
    QSemaphore m_wake;
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_quit{false};
};
