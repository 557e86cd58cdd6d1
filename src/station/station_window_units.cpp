// The station page's units: tiles laid out in a grid, results, counts and the failures list.
#include "label/label_printer.h"
#include "station/record_dialog.h"
#include "station/station_window.h"
#include "station/unit_tile.h"
#include "text/natural_order.h"

#include <QPushButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QCheckBox>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>

namespace {
// The failures list keeps the last ones; the records keep them all.
constexpr int kFailuresShown = 200;

} // namespace

UnitTile *StationWindow::tileFor(const QString &port)
{
    if (UnitTile *t = m_tiles.value(port))
        return t;
    auto *t = new UnitTile(port, m_tileArea);
    // The record the tile shows (a passed unit found again shows its passed record).
    connect(t, &UnitTile::opened, this, [this, t] {
        if (t->record())
            showRecord(*t->record());
    });
    connect(t, &UnitTile::reprintRequested, this, &StationWindow::printLabel);
    t->setReprintAvailable(!m_recipe.printer.isEmpty());
    m_tiles.insert(port, t);
    layTiles();
    return t;
}

void StationWindow::layTiles()
{
    // Near-square grid, wider than tall: 16 tiles are 4 × 4, which fit 1366 × 768 unscrolled.
    const int n = int(m_tiles.size());
    const int columns = n <= 4 ? std::max(n, 1) : int(std::ceil(std::sqrt(double(n))));
    // ttyUSB2 before ttyUSB10, as the bench's labels count.
    QStringList ports = m_tiles.keys();
    std::sort(ports.begin(), ports.end(), NaturalLess);
    int i = 0;
    for (const QString &port : ports) {
        UnitTile *t = m_tiles.value(port);
        m_tileGrid->removeWidget(t);
        m_tileGrid->addWidget(t, i / columns, i % columns);
        t->show();
        ++i;
    }
    for (int c = 0; c < m_tileGrid->columnCount(); ++c)
        m_tileGrid->setColumnStretch(c, c < columns ? 1 : 0);
}

void StationWindow::unitFinished(const UnitRecord &record)
{
    m_records.append(record);
    m_tally.add(record);
    m_shift->add(record);
    UnitTile *tile = tileFor(record.port);
    // The unit that passed on this port is still there (Start again): it shows as passed, its
    // label can still be printed again.
    const UnitRecord *passed = lastPassedOn(record.port);
    const bool sameUnit = passed && (record.unitId.isEmpty() ? passed->unique == record.identity : passed->unitId == record.unitId);
    if (record.result == UnitRecord::Skipped && sameUnit) {
        m_present.insert(record.port, int(passed - m_records.constData()));
        tile->setResult(*passed);
        showLabelFile(record.port);
        refreshCounts();
        return;
    }
    m_labelFiles.remove(record.port);
    if (record.result == UnitRecord::Passed)
        m_present.insert(record.port, int(m_records.size()) - 1);
    else
        m_present.remove(record.port);
    tile->setResult(record);
    if (record.result == UnitRecord::Failed) {
        addFailure(record.port, record.failureText(), int(m_records.size()) - 1);
        if (m_beepCheck->isChecked())
            QApplication::beep();
    } else if (record.result == UnitRecord::Passed && !record.reused && !m_recipe.printer.isEmpty()) {
        // A unit written again with the values it had keeps the label it has (Reprint if not).
        printLabel(record.port);
    }
    refreshCounts();
}

void StationWindow::addFailure(const QString &port, const QString &reason, int recordIndex)
{
    const QString shown = port.startsWith(QLatin1String("/dev/")) ? port.mid(5) : QFileInfo(port).fileName();
    auto *item = new QTreeWidgetItem({QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss")), shown, reason});
    item->setData(0, Qt::UserRole, recordIndex);
    item->setToolTip(1, port);
    item->setToolTip(2, reason);
    m_failures->insertTopLevelItem(0, item);
    while (m_failures->topLevelItemCount() > kFailuresShown)
        delete m_failures->takeTopLevelItem(m_failures->topLevelItemCount() - 1);
}

void StationWindow::openRecord(int recordIndex)
{
    if (recordIndex >= 0 && recordIndex < m_records.size())
        showRecord(m_records.at(recordIndex));
}

void StationWindow::showRecord(const UnitRecord &record)
{
    auto *d = new RecordDialog(record, this);
    d->setWindowFlag(Qt::Window);
    d->show();
}

void StationWindow::refreshCounts()
{
    // The shift's counts; the target counts this recipe's runs.
    const StationTally &shift = m_shift->tally();
    m_passedLabel->setText(tr("合格 %1").arg(shift.passed()));
    m_failedLabel->setText(tr("不合格 %1").arg(shift.failed()));
    m_newShiftButton->setToolTip(tr("本班次开始于 %1").arg(m_shift->shiftStart().toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    const int target = m_haveRecipe ? m_recipe.target : 0;
    m_doneLabel->setText(target > 0 ? tr("完成 %1/%2").arg(m_tally.passed()).arg(target)
                                    : tr("完成 %1").arg(m_tally.passed()));
    m_progress->setVisible(target > 0);
    m_progress->setRange(0, std::max(target, 1));
    m_progress->setValue(std::min(m_tally.passed(), std::max(target, 1)));
    const double rate = m_shift->perHour();
    m_rateLabel->setText(rate > 0 ? tr("每小时 %1 台").arg(qRound(rate)) : tr("每小时 – 台"));
    const auto yield = shift.firstPassYield();
    m_yieldLabel->setText(yield ? tr("一次通过率 %1%").arg(QString::number(*yield * 100.0, 'f', 1))
                                : tr("一次通过率 –"));
}

const UnitRecord *StationWindow::lastPassedOn(const QString &port) const
{
    for (auto it = m_records.crbegin(); it != m_records.crend(); ++it)
        if (it->port == port && it->result == UnitRecord::Passed)
            return &*it;
    return nullptr;
}

void StationWindow::showLabelFile(const QString &port)
{
    const QString file = m_labelFiles.value(port);
    if (!file.isEmpty())
        tileFor(port)->setToolTip(tr("标签：%1").arg(QDir::toNativeSeparators(file)));
}

void StationWindow::printLabel(const QString &port)
{
    // Only the unit that is there now: a unit gone or replaced has no label to print again.
    const int at = m_present.value(port, -1);
    if (at < 0 || at >= m_records.size())
        return;
    const UnitRecord *passed = &m_records.at(at);
    const LabelPrinter printer(m_recipe.printer, QFileInfo(m_recipePath).absolutePath());
    QString written;
    const QString why = printer.print(LabelFor(*passed), &written);
    tileFor(port)->setPrintResult(why);
    if (!why.isEmpty())
        addFailure(port, tr("标签打印失败：%1").arg(why), -1);
    else if (!written.isEmpty())
        m_labelFiles.insert(port, written);
    showLabelFile(port);
}
