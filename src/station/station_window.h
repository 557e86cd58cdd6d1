#pragma once
// The station page for the operator at a production bench: a recipe opened once, a tile per port
// or TCP host, the shift's counts against the target, the last failures, Start and Stop. It runs
// the same station core as `dtucfg provision`, on a thread of its own.
#include "provision/recipe.h"
#include "provision/station_host.h"
#include "provision/shift_counts.h"
#include "provision/station_tally.h"

#include <QElapsedTimer>
#include <QMap>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

class AppState;
class Dialogs;
class QCheckBox;
class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class RecipeEditor;
class UnitTile;

class StationWindow : public QWidget {
    Q_OBJECT
public:
    enum class RunState { Idle, Starting, Running, Stopping };

    StationWindow(AppState &state, Dialogs &dialogs, QWidget *parent = nullptr);
    ~StationWindow() override;

    // Reads the recipe and shows its ports; false (the reason shown) when it cannot be read.
    bool openRecipe(const QString &path);
    // "打开配方": picks a recipe file.
    void chooseRecipe();
    // "编辑配方": the form, at privilege level 2 only.
    void editRecipe();
    void startStation();
    // Stop finishes the units in progress; nothing new is taken.
    void stopStation();

    RunState runState() const { return m_runState; }
    QString recipePath() const { return m_recipePath; }
    const StationTally &tally() const { return m_tally; }
    // Every record of this window's runs, in the order the units ended.
    const QList<UnitRecord> &records() const { return m_records; }
    UnitTile *tile(const QString &port) const { return m_tiles.value(port); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildHeader();
    void buildTiles();
    void buildFailures();
    void nameControls();
    void setRunState(RunState s);
    UnitTile *tileFor(const QString &port);
    void layTiles();
    // `sameRecipe`: the shown recipe read again (at Start), whose tiles keep their results.
    void showRecipeTiles(bool sameRecipe);
    // Closes a recipe form open on another recipe than `recipePath`.
    void discardEditorUnlessFor(const QString &recipePath);
    void unitFinished(const UnitRecord &record);
    void addFailure(const QString &port, const QString &reason, int recordIndex);
    void openRecord(int recordIndex);
    void refreshCounts();
    void stationFinished();
    void showRecord(const UnitRecord &record);
    // The last unit that passed on `port`, among this window's records.
    const UnitRecord *lastPassedOn(const QString &port) const;
    void showLabelFile(const QString &port);
    // Runs the unit's label through the recipe's printer; the failure is shown, never dropped.
    void printLabel(const QString &port);

    AppState &m_state;
    Dialogs &m_dialogs;
    QString m_recipePath;
    Recipe m_recipe;
    bool m_haveRecipe = false;
    std::unique_ptr<StationHost> m_host;
    RunState m_runState = RunState::Idle;
    bool m_closeWhenStopped = false;
    bool m_targetReached = false;
    StationTally m_tally;
    QList<UnitRecord> m_records;
    QTimer m_rateTimer;
    QMap<QString, UnitTile *> m_tiles;
    QHash<QString, QString> m_labelFiles;      // port → that unit's label file, when printed to one
    QHash<QString, int> m_present;             // port → the passed record of the unit there now
    QPointer<RecipeEditor> m_editor;

    QLabel *m_recipeLabel;
    QLabel *m_stateLabel;
    QLabel *m_noticeLabel;
    QPushButton *m_openButton;
    QPushButton *m_editButton;
    QPushButton *m_startButton;
    QPushButton *m_stopButton;
    QCheckBox *m_beepCheck;
    QLabel *m_passedLabel;
    QLabel *m_failedLabel;
    QLabel *m_doneLabel;
    QProgressBar *m_progress;
    QLabel *m_rateLabel;
    QLabel *m_yieldLabel;
    // The shift's counts as the records hold them; "新班次" starts a new one.
    ShiftCounts *m_shift;
    QPushButton *m_newShiftButton;
    QWidget *m_tileArea;
    QGridLayout *m_tileGrid;
    QTreeWidget *m_failures;
};
