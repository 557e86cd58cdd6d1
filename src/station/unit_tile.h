#pragma once
// One port's tile on the station page: the port, the state in colour and in words, and for a
// finished unit its handed-out values, version, time taken and, for a failure, the reason.
// A result stays until the unit is removed or another one starts.
#include "provision/unit_record.h"
#include "provision/unit_runner.h"

#include <QFrame>
#include <optional>

class QLabel;
class QPushButton;

class UnitTile : public QFrame {
    Q_OBJECT
public:
    enum class State { Waiting, Busy, Passed, Failed, Skipped };

    explicit UnitTile(const QString &port, QWidget *parent = nullptr);

    QString port() const { return m_port; }
    State state() const { return m_state; }
    // The unit's record once it finished; nullopt while waiting or busy.
    const std::optional<UnitRecord> &record() const { return m_record; }

    void setWaiting();
    void setBusy(UnitStep step, int n, int total);
    void setResult(const UnitRecord &record);
    // The label's outcome: empty when printed, else the reason.
    void setPrintResult(const QString &error);
    void setReprintAvailable(bool available);

    // "设备ID=10000007 …": the values a unit was given, by parameter name.
    static QString ValuesText(const UnitRecord &record);

signals:
    void opened(const QString &port);
    void reprintRequested(const QString &port);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void showState(State state, const QString &words);

    QString m_port;
    State m_state = State::Waiting;
    std::optional<UnitRecord> m_record;
    bool m_reprint = false;
    QLabel *m_portLabel;
    QLabel *m_stateLabel;
    QLabel *m_valuesLabel;
    QLabel *m_detailLabel;
    QLabel *m_reasonLabel;
    QPushButton *m_reprintButton;
};
