// The station page driven through its widgets against simulated units on pseudo-terminals: tiles,
// counts, the failures list, a record opened, Stop, closing while units run, the recipe's
// privilege, and the same records as `dtucfg provision --recipe`.
#include "provision/station_db.h"
#include "state/app_state.h"
#include "station/recipe_editor.h"
#include "station/record_dialog.h"
#include "station/station_window.h"
#include "station/unit_tile.h"
#include "support/scripted_dialogs.h"
#include "support/station_rig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeWidget>

#include <csignal>

namespace {
// The Chinese window says the failure in Chinese, names and values as the unit has them.
const QString kMisstore = QStringLiteral("读回不一致：心跳间隔(秒) (0004)：写入“60”，读回“61”");

QString writeRecipe(Rig &rig)
{
    return rig.dir.writeUtf8(QStringLiteral("bench.json"),
                             QStringLiteral("{\"station\": \"bench-1\", \"golden\": \"demo_profile.txt\", \"ports\": [\"unit*\"],"
                                            " \"unique\": {\"设备ID\": \"{seq:20000001}\"}, \"db\": \"window.sqlite\", \"target\": 10,"
                                            " \"printer\": \"pdf:labels/\"}"));
}

template <typename T>
T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(QLatin1String(name));
}

QString text(QWidget &w, const char *name) { return child<QLabel>(w, name)->text(); }

// What two runs over the same units must agree on, by port; values handed out differ by run.
QMap<QString, QString> comparable(const QList<UnitRecord> &records)
{
    QMap<QString, QString> out;
    for (const UnitRecord &r : records) {
        QStringList rows;
        for (const WrittenParam &p : r.params)
            if (p.code != kDeviceId)
                rows << p.code + QLatin1Char('=') + p.written + QLatin1Char('/') + p.read;
        out.insert(QFileInfo(r.port).fileName(), QStringList{UnitRecord::resultText(r.result), r.failure, r.station, r.version,
                                                              r.unique.keys().join(QLatin1Char(',')), rows.join(QLatin1Char(' '))}
                                                     .join(QLatin1Char('|')));
    }
    return out;
}

QList<UnitRecord> stored(const QString &path)
{
    StationDb db;
    QString error;
    if (!db.open(path, error, true))
        return {};
    return db.records(QDateTime(), error).value_or(QList<UnitRecord>());
}
} // namespace

class TestStationWindow : public QObject {
    Q_OBJECT
private slots:
    void fourUnitsThreePassOneFails()
    {
        Rig rig;
        for (const QStringList &faults : {QStringList{}, QStringList{}, {QStringLiteral("--delay"), QStringLiteral("150")},
                                          {QStringLiteral("--misstore"), QStringLiteral("0004")}})
            QVERIFY(rig.addUnit(QStringLiteral("unit%1").arg(rig.sims.size()), faults));
        const QString recipe = writeRecipe(rig);
        AppState state;
        ScriptedDialogs dialogs;
        StationWindow w(state, dialogs);
        w.show();
        QVERIFY(w.openRecipe(recipe));
        QCOMPARE(w.findChildren<UnitTile *>().size(), 4);
        child<QPushButton>(w, "startButton")->click();

        // Closing while a unit runs asks first; No keeps the station going.
        UnitTile *slow = w.tile(rig.dir.filePath(QStringLiteral("unit2")));
        QTRY_VERIFY_WITH_TIMEOUT(slow->state() == UnitTile::State::Busy, 20000);
        QVERIFY(!w.close());
        QCOMPARE(dialogs.texts(QStringLiteral("confirm")).size(), 1);
        QVERIFY(w.isVisible());

        auto finished = [&] {
            int n = 0;
            for (const UnitTile *t : w.findChildren<UnitTile *>())
                n += t->state() == UnitTile::State::Passed || t->state() == UnitTile::State::Failed;
            return n;
        };
        QTRY_COMPARE_WITH_TIMEOUT(finished(), 4, 60000);
        QSet<QString> values;
        for (int i = 0; i < 3; ++i) {
            UnitTile *t = w.tile(rig.dir.filePath(QStringLiteral("unit%1").arg(i)));
            QCOMPARE(t->state(), UnitTile::State::Passed);
            QCOMPARE(child<QLabel>(*t, "tileState")->text(), QStringLiteral("合格"));
            values << child<QLabel>(*t, "tileValues")->text();
        }
        // Each its own value from the counter (the failed unit took one too).
        QCOMPARE(values.size(), 3);
        QStringList labels;
        for (const QString &v : values) {
            QVERIFY2(QRegularExpression(QStringLiteral("^设备ID=2000000[1-4]$")).match(v).hasMatch(), qPrintable(v));
            labels << v.mid(v.indexOf(QLatin1Char('=')) + 1) + QStringLiteral(".pdf");
        }
        // A label per passed unit, named after its value; none for the failed one. A reprint
        // replaces its file.
        const QDir labelDir(rig.dir.filePath(QStringLiteral("labels")));
        labels.sort();
        QCOMPARE(labelDir.entryList(QDir::Files, QDir::Name), labels);
        UnitTile *first = w.tile(rig.dir.filePath(QStringLiteral("unit0")));
        QVERIFY(child<QPushButton>(*first, "reprintButton")->isVisible());
        child<QPushButton>(*first, "reprintButton")->click();
        QCOMPARE(labelDir.entryList(QDir::Files, QDir::Name), labels);
        QCOMPARE(child<QLabel>(*first, "tileReason")->text(), QString());
        UnitTile *bad = w.tile(rig.dir.filePath(QStringLiteral("unit3")));
        QCOMPARE(bad->state(), UnitTile::State::Failed);
        QCOMPARE(child<QLabel>(*bad, "tileState")->text(), QStringLiteral("不合格"));
        QCOMPARE(child<QLabel>(*bad, "tileReason")->text(), kMisstore);
        QVERIFY(child<QLabel>(*bad, "tileDetail")->text().startsWith(QStringLiteral("DTUSIM-V1.0.3  用时 ")));

        QCOMPARE(text(w, "passedLabel"), QStringLiteral("合格 3"));
        QCOMPARE(text(w, "failedLabel"), QStringLiteral("不合格 1"));
        QCOMPARE(text(w, "doneLabel"), QStringLiteral("完成 3/10"));
        QCOMPARE(text(w, "yieldLabel"), QStringLiteral("一次通过率 75.0%"));
        auto *failures = child<QTreeWidget>(w, "failuresList");
        QCOMPARE(failures->topLevelItemCount(), 1);
        QCOMPARE(failures->topLevelItem(0)->text(1), QStringLiteral("unit3"));
        QCOMPARE(failures->topLevelItem(0)->text(2), kMisstore);

        // The failure's record: every row written against read back, the wrong one marked.
        emit failures->itemDoubleClicked(failures->topLevelItem(0), 0);
        auto *record = w.findChild<RecordDialog *>();
        QVERIFY(record);
        QTableWidget *rows = record->table();
        bool found = false;
        for (int i = 0; i < rows->rowCount(); ++i)
            if (rows->item(i, 0)->text() == QStringLiteral("0004"))
                found = rows->item(i, 2)->text() == QStringLiteral("60") && rows->item(i, 3)->text() == QStringLiteral("61") &&
                        rows->item(i, 4)->text() == QStringLiteral("否");
        QVERIFY(found);
        QVERIFY(rows->rowCount() >= 20);
        delete record;
        // A passed unit's record agrees on every row, its empty values too.
        emit first->opened(first->port());
        record = w.findChild<RecordDialog *>();
        QVERIFY(record);
        rows = record->table();
        QStringList differing;
        bool emptyValue = false;
        for (int i = 0; i < rows->rowCount(); ++i) {
            emptyValue = emptyValue || rows->item(i, 2)->text().isEmpty();
            if (rows->item(i, 4)->text() != QStringLiteral("是"))
                differing << rows->item(i, 0)->text() + QLatin1Char('=') + rows->item(i, 3)->text();
        }
        QVERIFY(emptyValue);
        QVERIFY2(differing.isEmpty(), qPrintable(differing.join(QLatin1Char(' '))));
        delete record;

        // Stop ends cleanly; every unit is recorded.
        child<QPushButton>(w, "stopButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.runState(), StationWindow::RunState::Idle, 20000);
        QCOMPARE(text(w, "stationStateLabel"), QStringLiteral("已停止"));
        QVERIFY(child<QPushButton>(w, "startButton")->isEnabled());
        const QList<UnitRecord> windowRecords = stored(rig.dir.filePath(QStringLiteral("window.sqlite")));
        QCOMPARE(windowRecords.size(), 4);
        QCOMPARE(comparable(windowRecords), comparable(w.records()));

        // Started again with the units still there: the passed ones stay passed, with their
        // reprint; the failed one is tried again.
        child<QPushButton>(w, "startButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.records().size(), 8, 60000);
        QSet<QString> again;
        for (int i = 0; i < 3; ++i) {
            UnitTile *t = w.tile(rig.dir.filePath(QStringLiteral("unit%1").arg(i)));
            QCOMPARE(t->state(), UnitTile::State::Passed);
            QVERIFY(child<QPushButton>(*t, "reprintButton")->isVisible());
            again << child<QLabel>(*t, "tileValues")->text();
        }
        QCOMPARE(again, values);
        // Its record is the passed one, not the skipped attempt that found it again.
        emit first->opened(first->port());
        auto *passedRecord = w.findChild<RecordDialog *>();
        QVERIFY(passedRecord);
        QVERIFY2(child<QLabel>(*passedRecord, "recordSummary")->text().contains(QStringLiteral("结果：合格")),
                 qPrintable(child<QLabel>(*passedRecord, "recordSummary")->text()));
        QVERIFY(passedRecord->table()->rowCount() >= 20);
        delete passedRecord;
        QCOMPARE(text(w, "doneLabel"), QStringLiteral("完成 3/10"));
        child<QPushButton>(w, "stopButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.runState(), StationWindow::RunState::Idle, 20000);

        // The same recipe headless stores the same records (into a database of its own).
        QProcess cli;
        cli.start(QStringLiteral(DTU_BINARY_DIR "/src/dtucfg"),
                  {QStringLiteral("provision"), QStringLiteral("--recipe"), recipe, QStringLiteral("--db"),
                   rig.dir.filePath(QStringLiteral("cli.sqlite"))});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 1);
        QCOMPARE(comparable(stored(rig.dir.filePath(QStringLiteral("cli.sqlite")))), comparable(windowRecords));
    }

    // The target counts over every run of the recipe: once reached, Start says so.
    // A unit swapped for one of the same model on a port that stays: the tile waits while the port
    // is silent, Reprint then prints nothing, and the new unit is provisioned and labelled.
    void swapOnAPortThatStaysReprintsOnlyTheUnitThere()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), {QStringLiteral("--swap-pause"), QStringLiteral("2500"),
                                                      QStringLiteral("--swap-same-version")}));
        const QString recipe = rig.dir.writeUtf8(
            QStringLiteral("bench.json"),
            QStringLiteral("{\"golden\": \"demo_profile.txt\", \"ports\": [\"unit*\"], \"identity\": \"出厂序列号\","
                           " \"unique\": {\"设备ID\": \"{seq:20000001}\"}, \"db\": \"window.sqlite\", \"printer\": \"pdf:labels/\"}"));
        AppState state;
        ScriptedDialogs dialogs;
        StationWindow w(state, dialogs);
        w.show();
        QVERIFY(w.openRecipe(recipe));
        // Stop pressed while the station starts stays pressed.
        child<QPushButton>(w, "startButton")->click();
        child<QPushButton>(w, "stopButton")->click();
        bool sawRunning = false;
        QElapsedTimer stopping;
        stopping.start();
        while (w.runState() != StationWindow::RunState::Idle && stopping.elapsed() < 30000) {
            QTest::qWait(5);
            sawRunning = sawRunning || w.runState() == StationWindow::RunState::Running;
        }
        QCOMPARE(w.runState(), StationWindow::RunState::Idle);
        QVERIFY(!sawRunning);

        child<QPushButton>(w, "startButton")->click();
        const QString port = rig.dir.filePath(QStringLiteral("unit0"));
        UnitTile *tile = w.tile(port);
        // The unit done in the first run is known again and left alone.
        QTRY_COMPARE_WITH_TIMEOUT(w.records().size(), 2, 30000);
        QCOMPARE(w.records().last().result, UnitRecord::Skipped);
        QVERIFY(tile && tile->state() == UnitTile::State::Passed);
        QVERIFY2(child<QLabel>(*tile, "tileValues")->text().contains(QStringLiteral("SN-unit0")),
                 qPrintable(child<QLabel>(*tile, "tileValues")->text()));
        const QDir labelDir(rig.dir.filePath(QStringLiteral("labels")));
        QCOMPARE(labelDir.entryList(QDir::Files), QStringList{QStringLiteral("20000001.pdf")});
        QVERIFY(rig.sims.back()->signal(SIGUSR2));
        QTRY_VERIFY2_WITH_TIMEOUT(tile->state() == UnitTile::State::Waiting, qPrintable(child<QLabel>(*tile, "tileReason")->text()), 10000);
        QVERIFY(QFile::remove(labelDir.filePath(QStringLiteral("20000001.pdf"))));
        emit tile->reprintRequested(port);
        QVERIFY(labelDir.entryList(QDir::Files).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(tile->state() == UnitTile::State::Passed, 30000);
        QVERIFY(child<QLabel>(*tile, "tileValues")->text().contains(QStringLiteral("SN-unit0-2")));
        QCOMPARE(labelDir.entryList(QDir::Files), QStringList{QStringLiteral("20000002.pdf")});
        child<QPushButton>(w, "stopButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.runState(), StationWindow::RunState::Idle, 30000);
    }

    void targetAndShiftHoldAcrossRunsAndWindows()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        const QString recipe = rig.dir.writeUtf8(QStringLiteral("one.json"),
                                                 QStringLiteral("{\"golden\": \"demo_profile.txt\", \"ports\": [\"unit*\"],"
                                                                " \"db\": \"one.sqlite\", \"target\": 1}"));
        AppState state;
        ScriptedDialogs dialogs;
        StationWindow w(state, dialogs);
        QVERIFY(w.openRecipe(recipe));
        child<QPushButton>(w, "startButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(text(w, "stationStateLabel"), QStringLiteral("已达到目标"), 30000);
        QCOMPARE(text(w, "doneLabel"), QStringLiteral("完成 1/1"));
        child<QPushButton>(w, "startButton")->click();
        QCOMPARE(dialogs.texts(QStringLiteral("information")), QStringList{QStringLiteral("已达到目标：1 台合格")});
        QCOMPARE(w.runState(), StationWindow::RunState::Idle);
        QCOMPARE(w.records().size(), 1);
        // A window opened again shows the shift so far, from the records; "新班次" starts from nothing.
        StationWindow again(state, dialogs);
        QVERIFY(again.openRecipe(recipe));
        QTRY_COMPARE_WITH_TIMEOUT(text(again, "passedLabel"), QStringLiteral("合格 1"), 10000);
        QCOMPARE(text(again, "yieldLabel"), QStringLiteral("一次通过率 100.0%"));
        child<QPushButton>(again, "newShiftButton")->click();
        QCOMPARE(text(again, "passedLabel"), QStringLiteral("合格 0"));
        StationWindow third(state, dialogs);
        QVERIFY(third.openRecipe(recipe));
        QTest::qWait(500);
        QCOMPARE(text(third, "passedLabel"), QStringLiteral("合格 0"));
    }

    // A recipe made from nothing in the form: saved, it is the page's recipe; the form closes
    // (the page opening the new recipe must not pull it away while it saves) and opens again on it.
    void newRecipeFromTheForm()
    {
        Rig rig;
        AppState state;
        state.PrivilegeLevel = 2;
        ScriptedDialogs dialogs;
        const QString path = rig.dir.filePath(QStringLiteral("new.json"));
        dialogs.fileAnswers << path;
        StationWindow w(state, dialogs);
        child<QPushButton>(w, "editRecipeButton")->click();
        QPointer<RecipeEditor> editor = w.findChild<RecipeEditor *>();
        QVERIFY(editor);
        child<QSpinBox>(*editor, "targetSpin")->setValue(3);
        child<QPushButton>(*editor, "saveRecipeButton")->click();
        QVERIFY2(dialogs.texts(QStringLiteral("error")).isEmpty(), qPrintable(dialogs.texts(QStringLiteral("error")).join('|')));
        QString error;
        QCOMPARE(ReadRecipe(path, error)->target, 3);
        QCOMPARE(text(w, "doneLabel"), QStringLiteral("完成 0/3"));
        QTRY_VERIFY(!editor);
        child<QPushButton>(w, "editRecipeButton")->click();
        editor = w.findChild<RecipeEditor *>();
        QVERIFY(editor);
        QCOMPARE(editor->path(), QFileInfo(path).absoluteFilePath());
        QCOMPARE(child<QSpinBox>(*editor, "targetSpin")->value(), 3);
    }

    void onlyLevelTwoEditsTheRecipe()
    {
        Rig rig;
        const QString recipe = writeRecipe(rig);
        AppState state;
        ScriptedDialogs dialogs;
        StationWindow w(state, dialogs);
        QVERIFY(w.openRecipe(recipe));
        auto *edit = child<QPushButton>(w, "editRecipeButton");
        edit->click();
        QCOMPARE(dialogs.texts(QStringLiteral("error")), QStringList{QStringLiteral("编辑配方需要二级权限")});
        QVERIFY(!w.findChild<RecipeEditor *>());

        state.PrivilegeLevel = 2;
        edit->click();
        auto *editor = w.findChild<RecipeEditor *>();
        QVERIFY(editor);
        child<QSpinBox>(*editor, "targetSpin")->setValue(42);
        // The level is asked again when saving.
        state.PrivilegeLevel = 0;
        QVERIFY(!editor->save());
        QString error;
        QCOMPARE(ReadRecipe(recipe, error)->target, 10);
        state.PrivilegeLevel = 2;
        child<QPushButton>(*editor, "saveRecipeButton")->click();
        QCOMPARE(ReadRecipe(recipe, error)->target, 42);
        QCOMPARE(text(w, "doneLabel"), QStringLiteral("完成 0/42"));

        // Another recipe opened while the form is open: the form on the first one goes, the
        // next one edits the other, and saving it leaves the first alone.
        const QString other = rig.dir.writeUtf8(QStringLiteral("other.json"),
                                                QStringLiteral("{\"station\": \"bench-2\", \"golden\": \"demo_profile.txt\", \"target\": 5}"));
        QPointer<RecipeEditor> firstForm = editor;
        QVERIFY(w.openRecipe(other));
        QTRY_VERIFY(!firstForm);
        edit->click();
        editor = w.findChild<RecipeEditor *>();
        QVERIFY(editor);
        QCOMPARE(editor->path(), QFileInfo(other).absoluteFilePath());
        QCOMPARE(child<QSpinBox>(*editor, "targetSpin")->value(), 5);
        child<QSpinBox>(*editor, "targetSpin")->setValue(7);
        child<QPushButton>(*editor, "saveRecipeButton")->click();
        QCOMPARE(ReadRecipe(other, error)->target, 7);
        QCOMPARE(ReadRecipe(recipe, error)->target, 42);
        QCOMPARE(text(w, "doneLabel"), QStringLiteral("完成 0/7"));
    }
};

QTEST_MAIN(TestStationWindow)
#include "tst_station_window.moc"
