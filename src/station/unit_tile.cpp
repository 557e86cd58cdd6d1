#include "station/unit_tile.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Background and text colour per state; the words say the same, for those who cannot tell colours.
struct Look {
    const char *background;
    const char *text;
};
Look lookOf(UnitTile::State s)
{
    switch (s) {
    case UnitTile::State::Waiting: return {"#eceff1", "#37474f"};
    case UnitTile::State::Busy: return {"#fff3c4", "#5d4000"};
    case UnitTile::State::Passed: return {"#2e7d32", "#ffffff"};
    case UnitTile::State::Failed: return {"#c62828", "#ffffff"};
    case UnitTile::State::Skipped: return {"#cfd8dc", "#263238"};
    }
    return {"#eceff1", "#37474f"};
}
} // namespace

UnitTile::UnitTile(const QString &port, QWidget *parent) : QFrame(parent), m_port(port)
{
    setObjectName(QStringLiteral("tile-") + port);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setMinimumSize(220, 118);
    m_portLabel = new QLabel(port.startsWith(QLatin1String("/dev/")) ? port.mid(5) : QFileInfo(port).fileName(), this);
    m_portLabel->setObjectName(QStringLiteral("tilePort"));
    m_portLabel->setToolTip(port);
    m_stateLabel = new QLabel(this);
    m_stateLabel->setObjectName(QStringLiteral("tileState"));
    m_valuesLabel = new QLabel(this);
    m_valuesLabel->setObjectName(QStringLiteral("tileValues"));
    m_valuesLabel->setWordWrap(true);
    m_detailLabel = new QLabel(this);
    m_detailLabel->setObjectName(QStringLiteral("tileDetail"));
    m_reasonLabel = new QLabel(this);
    m_reasonLabel->setObjectName(QStringLiteral("tileReason"));
    m_reasonLabel->setWordWrap(true);
    m_reasonLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_reprintButton = new QPushButton(tr("补打标签"), this);
    m_reprintButton->setObjectName(QStringLiteral("reprintButton"));
    m_reprintButton->setVisible(false);
    connect(m_reprintButton, &QPushButton::clicked, this, [this] { emit reprintRequested(m_port); });

    QFont big = font();
    big.setPixelSize(22);
    big.setBold(true);
    m_stateLabel->setFont(big);
    QFont mid = font();
    mid.setPixelSize(16);
    mid.setBold(true);
    m_portLabel->setFont(mid);
    QFont values = font();
    values.setPixelSize(15);
    m_valuesLabel->setFont(values);

    auto *top = new QHBoxLayout;
    top->addWidget(m_portLabel);
    top->addStretch();
    top->addWidget(m_stateLabel);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_detailLabel, 1);
    bottom->addWidget(m_reprintButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(1);
    layout->addLayout(top);
    layout->addWidget(m_valuesLabel);
    layout->addLayout(bottom);
    layout->addWidget(m_reasonLabel, 1);
    setWaiting();
}

void UnitTile::showState(State state, const QString &words)
{
    m_state = state;
    const Look look = lookOf(state);
    setStyleSheet(QStringLiteral("UnitTile { background: %1; border: 1px solid #90a4ae; border-radius: 4px; }"
                                 " QLabel { color: %2; background: transparent; }")
                      .arg(QLatin1String(look.background), QLatin1String(look.text)));
    m_stateLabel->setText(words);
    m_reprintButton->setVisible(m_reprint && state == State::Passed);
}

void UnitTile::setWaiting()
{
    m_record.reset();
    setToolTip(QString());
    m_valuesLabel->clear();
    m_detailLabel->clear();
    m_reasonLabel->clear();
    showState(State::Waiting, tr("等待"));
}

void UnitTile::setBusy(UnitStep step, int n, int total)
{
    if (m_state != State::Busy) {
        m_record.reset();
        setToolTip(QString());
        m_valuesLabel->clear();
        m_detailLabel->clear();
        m_reasonLabel->clear();
    }
    switch (step) {
    case UnitStep::Write: showState(State::Busy, tr("写入 %1/%2").arg(n).arg(total)); break;
    case UnitStep::Verify: showState(State::Busy, tr("校验 %1/%2").arg(n).arg(total)); break;
    default: showState(State::Busy, tr("读取中")); break;
    }
}

QString UnitTile::ValuesText(const UnitRecord &r)
{
    QStringList parts;
    if (!r.unitId.isEmpty())
        parts << tr("标识 %1").arg(r.unitId);
    for (const auto &[name, value] : NamedUnitValues(r))
        parts << name + QLatin1Char('=') + value;
    if (r.reused && !r.unique.isEmpty())
        parts << tr("（沿用先前发给它的值）");
    // A failed unit given nothing: what it held before, said as such.
    if (r.result == UnitRecord::Failed && r.unique.isEmpty() && !r.identity.isEmpty()) {
        QStringList held;
        for (auto it = r.identity.cbegin(); it != r.identity.cend(); ++it)
            held << it.key() + QLatin1Char('=') + it.value();
        parts << tr("原有：%1").arg(held.join(QLatin1Char(' ')));
    }
    return parts.join(QLatin1Char(' '));
}

void UnitTile::setResult(const UnitRecord &r)
{
    m_record = r;
    m_valuesLabel->setText(ValuesText(r));
    m_detailLabel->setText(tr("%1  用时 %2 秒").arg(r.version, QString::number(double(r.durationMs) / 1000.0, 'f', 1)));
    m_reasonLabel->setText(r.result == UnitRecord::Passed ? QString() : r.failureText());
    if (r.result == UnitRecord::Passed)
        showState(State::Passed, tr("合格"));
    else if (r.result == UnitRecord::Skipped)
        showState(State::Skipped, tr("已做过"));
    else
        showState(State::Failed, tr("不合格"));
}

void UnitTile::setPrintResult(const QString &error)
{
    m_reasonLabel->setText(error.isEmpty() ? QString() : tr("标签打印失败：%1").arg(error));
}

void UnitTile::setReprintAvailable(bool available)
{
    m_reprint = available;
    m_reprintButton->setVisible(m_reprint && m_state == State::Passed);
}

void UnitTile::mouseDoubleClickEvent(QMouseEvent *event)
{
    QFrame::mouseDoubleClickEvent(event);
    if (m_record)
        emit opened(m_port);
}
