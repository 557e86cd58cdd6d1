#pragma once
// One light query on an idle station port, on a thread of its own: the version and the rows that
// tell units apart (the identity row, else the unique rows), so that a unit swapped for another
// of the same model on a port that stays is noticed by its answer.
#include "provision/unit_link.h"

#include <QString>
#include <QStringList>
#include <QThread>
#include <optional>

class PortProbe : public QThread {
    Q_OBJECT
public:
    PortProbe(QString port, LinkSettings link, QString scriptPath, QString goldenPath, QStringList codes,
              QObject *parent = nullptr)
        : QThread(parent), m_port(std::move(port)), m_link(std::move(link)), m_script(std::move(scriptPath)),
          m_golden(std::move(goldenPath)), m_codes(std::move(codes))
    {
    }
    QString port() const { return m_port; }
    // Once finished: UnitFingerprint() of the unit that answered, nullopt when nothing answered.
    std::optional<QString> fingerprint() const { return m_fingerprint; }

protected:
    void run() override;

private:
    QString m_port;
    LinkSettings m_link;
    QString m_script;
    QString m_golden;
    QStringList m_codes;
    std::optional<QString> m_fingerprint;
};
