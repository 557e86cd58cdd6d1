#pragma once
// One light query on an idle station port, on a thread of its own: the version query, so that a
// unit is noticed by its answer on a port that stays when the unit behind it is swapped.
#include "provision/unit_link.h"

#include <QString>
#include <QThread>
#include <optional>

class PortProbe : public QThread {
    Q_OBJECT
public:
    PortProbe(QString port, LinkSettings link, QString scriptPath, QString goldenPath, QObject *parent = nullptr)
        : QThread(parent), m_port(std::move(port)), m_link(std::move(link)), m_script(std::move(scriptPath)),
          m_golden(std::move(goldenPath))
    {
    }
    QString port() const { return m_port; }
    // Once finished: the version text the unit answered, nullopt when nothing answered.
    std::optional<QString> version() const { return m_version; }

protected:
    void run() override;

private:
    QString m_port;
    LinkSettings m_link;
    QString m_script;
    QString m_golden;
    std::optional<QString> m_version;
};

