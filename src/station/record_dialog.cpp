#include "station/record_dialog.h"

#include "station/unit_tile.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

RecordDialog::RecordDialog(const UnitRecord &r, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RecordDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("单元记录 %1").arg(r.port));
    resize(760, 520);
    const QString result = r.result == UnitRecord::Passed    ? tr("合格")
                           : r.result == UnitRecord::Skipped ? tr("已做过")
                                                             : tr("不合格");
    QString head = tr("端口：%1    结果：%2    用时 %3 秒")
                       .arg(r.port, result, QString::number(double(r.durationMs) / 1000.0, 'f', 1));
    head += QLatin1Char('\n') + tr("开始：%1    工位：%2    版本：%3")
                                    .arg(r.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), r.station, r.version);
    head += QLatin1Char('\n') + tr("分配的值：%1").arg(UnitTile::ValuesText(r));
    if (!r.goldenHash.isEmpty())
        head += QLatin1Char('\n') + tr("标准配置：%1（内容 %2）")
                                        .arg(r.golden, r.extHash.isEmpty() ? r.goldenHash : r.goldenHash + QLatin1Char('+') + r.extHash);
    if (r.result != UnitRecord::Passed && !r.failureText().isEmpty())
        head += QLatin1Char('\n') + tr("原因：%1").arg(r.failureText());
    auto *summary = new QLabel(head, this);
    summary->setObjectName(QStringLiteral("recordSummary"));
    summary->setWordWrap(true);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_table = new QTableWidget(int(r.params.size()), 5, this);
    m_table->setObjectName(QStringLiteral("recordTable"));
    m_table->setHorizontalHeaderLabels({tr("代码"), tr("参数"), tr("写入"), tr("读回"), tr("一致")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    // The rows are read back together, after every write: an empty value read back is a value
    // once any row came back (or the unit passed), and nothing read back before.
    bool readBack = r.result == UnitRecord::Passed;
    for (const WrittenParam &p : r.params)
        readBack = readBack || !p.readHex.isEmpty();
    for (int i = 0; i < r.params.size(); ++i) {
        const WrittenParam &p = r.params.at(i);
        const bool same = readBack && p.readHex.compare(p.writtenHex, Qt::CaseInsensitive) == 0;
        const QString cells[] = {p.code, p.name, p.written, readBack ? p.read : tr("（未读回）"),
                                 same ? tr("是") : tr("否")};
        for (int c = 0; c < 5; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (!same)
                item->setBackground(QColor(0xff, 0xcd, 0xd2));
            m_table->setItem(i, c, item);
        }
    }
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
}
