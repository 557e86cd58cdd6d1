#include "station/station_window.h"

#include "provision/db_watch.h"

#include "provision/port_scan.h"
#include "provision/unit_link.h"
#include "state/app_state.h"
#include "station/recipe_editor.h"
#include "station/unit_tile.h"
#include "widgets/dialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QHostInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>

StationWindow::StationWindow(AppState &state, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_state(state), m_dialogs(dialogs)
{
    QFont f = font();
    f.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("宋体")}); // not translated: font family names
    f.setPixelSize(14);
    setFont(f);
    setWindowTitle(tr("生产工位"));
    resize(1366, 740);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    buildHeader();
    buildTiles();
    buildFailures();
    nameControls();
    m_rateTimer.setInterval(5000);
    connect(&m_rateTimer, &QTimer::timeout, this, &StationWindow::refreshCounts);
    setRunState(RunState::Idle);
    refreshCounts();
}

StationWindow::~StationWindow() = default;

void StationWindow::buildHeader()
{
    auto *bar = new QHBoxLayout;
    m_recipeLabel = new QLabel(tr("未打开配方"), this);
    m_stateLabel = new QLabel(this);
    m_noticeLabel = new QLabel(this);
    m_noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    // A long notice wraps in its share of the bar instead of pushing Start and Stop off a 1366-px screen.
    m_noticeLabel->setWordWrap(true);
    m_noticeLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_openButton = new QPushButton(tr("打开配方"), this);
    m_editButton = new QPushButton(tr("编辑配方"), this);
    m_startButton = new QPushButton(tr("开始"), this);
    m_stopButton = new QPushButton(tr("停止"), this);
    m_beepCheck = new QCheckBox(tr("不合格时响铃"), this);
    m_beepCheck->setChecked(true);
    for (QPushButton *b : {m_startButton, m_stopButton}) {
        QFont bf = b->font();
        bf.setPixelSize(18);
        bf.setBold(true);
        b->setFont(bf);
        b->setMinimumWidth(110);
    }
    bar->addWidget(m_recipeLabel, 1);
    bar->addWidget(m_noticeLabel, 1);
    bar->addWidget(m_stateLabel);
    bar->addWidget(m_beepCheck);
    bar->addWidget(m_openButton);
    bar->addWidget(m_editButton);
    bar->addWidget(m_startButton);
    bar->addWidget(m_stopButton);
    connect(m_openButton, &QPushButton::clicked, this, &StationWindow::chooseRecipe);
    connect(m_editButton, &QPushButton::clicked, this, &StationWindow::editRecipe);
    connect(m_startButton, &QPushButton::clicked, this, &StationWindow::startStation);
    connect(m_stopButton, &QPushButton::clicked, this, &StationWindow::stopStation);

    auto *counts = new QHBoxLayout;
    QFont cf = font();
    cf.setPixelSize(20);
    cf.setBold(true);
    auto count = [&](QLabel *&label) {
        label = new QLabel(this);
        label->setFont(cf);
        counts->addWidget(label);
        counts->addSpacing(24);
    };
    count(m_passedLabel);
    count(m_failedLabel);
    count(m_doneLabel);
    m_progress = new QProgressBar(this);
    m_progress->setMinimumWidth(260);
    counts->addWidget(m_progress, 1);
    counts->addSpacing(24);
    count(m_rateLabel);
    count(m_yieldLabel);
    m_shift = new ShiftCounts(this);
    m_newShiftButton = new QPushButton(tr("新班次"), this);
    counts->addWidget(m_newShiftButton);
    connect(m_newShiftButton, &QPushButton::clicked, m_shift, &ShiftCounts::newShift);
    connect(m_shift, &ShiftCounts::changed, this, &StationWindow::refreshCounts);
    auto *outer = static_cast<QVBoxLayout *>(layout());
    outer->addLayout(bar);
    outer->addLayout(counts);
}

void StationWindow::buildTiles()
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("tileScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_tileArea = new QWidget(scroll);
    m_tileGrid = new QGridLayout(m_tileArea);
    m_tileGrid->setContentsMargins(0, 0, 0, 0);
    m_tileGrid->setSpacing(6);
    scroll->setWidget(m_tileArea);
    static_cast<QVBoxLayout *>(layout())->addWidget(scroll, 1);
}

void StationWindow::buildFailures()
{
    m_failures = new QTreeWidget(this);
    m_failures->setHeaderLabels({tr("时间"), tr("端口"), tr("原因")});
    m_failures->setRootIsDecorated(false);
    m_failures->setFixedHeight(118);
    m_failures->setColumnWidth(0, 80);
    m_failures->setColumnWidth(1, 160);
    m_failures->header()->setStretchLastSection(true);
    connect(m_failures, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        const int index = item->data(0, Qt::UserRole).toInt();
        if (index >= 0)
            openRecord(index);
    });
    auto *caption = new QLabel(tr("最近的不合格"), this);
    static_cast<QVBoxLayout *>(layout())->addWidget(caption);
    static_cast<QVBoxLayout *>(layout())->addWidget(m_failures);
}

// Object names: tests and accessibility tools find the controls by them.
void StationWindow::nameControls()
{
    setObjectName(QStringLiteral("StationWindow"));
    m_recipeLabel->setObjectName(QStringLiteral("recipeLabel"));
    m_stateLabel->setObjectName(QStringLiteral("stationStateLabel"));
    m_openButton->setObjectName(QStringLiteral("openRecipeButton"));
    m_editButton->setObjectName(QStringLiteral("editRecipeButton"));
    m_startButton->setObjectName(QStringLiteral("startButton"));
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_beepCheck->setObjectName(QStringLiteral("beepCheck"));
    m_passedLabel->setObjectName(QStringLiteral("passedLabel"));
    m_failedLabel->setObjectName(QStringLiteral("failedLabel"));
    m_doneLabel->setObjectName(QStringLiteral("doneLabel"));
    m_progress->setObjectName(QStringLiteral("targetProgress"));
    m_rateLabel->setObjectName(QStringLiteral("rateLabel"));
    m_yieldLabel->setObjectName(QStringLiteral("yieldLabel"));
    m_newShiftButton->setObjectName(QStringLiteral("newShiftButton"));
    m_tileArea->setObjectName(QStringLiteral("tileArea"));
    m_failures->setObjectName(QStringLiteral("failuresList"));
}

bool StationWindow::openRecipe(const QString &path)
{
    if (m_runState != RunState::Idle) {
        m_dialogs.error(this, tr("工位运行中，请先停止再打开配方"));
        return false;
    }
    QString error;
    const auto r = ReadRecipe(path, error);
    if (!r) {
        m_dialogs.error(this, tr("无法打开配方：%1").arg(error));
        return false;
    }
    const bool sameRecipe = m_haveRecipe && QFileInfo(path).absoluteFilePath() == m_recipePath;
    if (!sameRecipe) {
        // Another recipe is another job: its target starts from nothing.
        m_tally = StationTally();
    }
    discardEditorUnlessFor(QFileInfo(path).absoluteFilePath());
    m_recipePath = QFileInfo(path).absoluteFilePath();
    m_recipe = *r;
    m_haveRecipe = true;
    if (StationConfig c; ApplyRecipe(m_recipe, QFileInfo(path).absolutePath(), c, error))
        m_shift->follow(c.db, c.name.isEmpty() ? QHostInfo::localHostName() : c.name);
    m_recipeLabel->setText(tr("配方：%1    工位：%2").arg(QFileInfo(path).fileName(), r->station));
    m_recipeLabel->setToolTip(m_recipePath);
    showRecipeTiles(sameRecipe);
    refreshCounts();
    setRunState(RunState::Idle);
    return true;
}

void StationWindow::chooseRecipe()
{
    const QString path = m_dialogs.openFile(this, tr("打开配方"), m_recipePath, tr("配方 (*.json);;所有文件 (*)"));
    if (!path.isEmpty())
        openRecipe(path);
}

void StationWindow::editRecipe()
{
    if (m_state.PrivilegeLevel < kRecipeEditLevel) {
        m_dialogs.error(this, tr("编辑配方需要二级权限"));
        return;
    }
    if (!m_haveRecipe) {
        const QString path = m_dialogs.saveFile(this, tr("新建配方"), QString(), tr("配方 (*.json)"), QStringLiteral("json"));
        if (path.isEmpty())
            return;
        m_recipePath = QFileInfo(path).absoluteFilePath();
        m_recipe = Recipe();
    }
    discardEditorUnlessFor(m_recipePath);
    if (!m_editor) {
        m_editor = new RecipeEditor(m_state, m_dialogs, m_recipePath, m_recipe, this);
        m_editor->setWindowFlag(Qt::Window);
        connect(m_editor, &RecipeEditor::saved, this, [this](const QString &path) {
            // A running station keeps the recipe it started with; the next Start reads the new one.
            if (m_runState == RunState::Idle && path == m_recipePath)
                openRecipe(path);
        });
    }
    m_editor->show();
    m_editor->raise();
}

void StationWindow::discardEditorUnlessFor(const QString &recipePath)
{
    // A form on another recipe than the page's would save that one. Later, not now: the form
    // may be the one whose save brought us here.
    if (m_editor && m_editor->path() != recipePath) {
        m_editor->hide();
        m_editor->deleteLater();
        m_editor = nullptr;
    }
}

void StationWindow::showRecipeTiles(bool sameRecipe)
{
    StationConfig c;
    QString error;
    const bool applied = ApplyRecipe(m_recipe, QFileInfo(m_recipePath).absolutePath(), c, error);
    QStringList ports = applied ? ExpandPorts(c.ports, false) : QStringList();
    for (const QString &h : c.tcpHosts)
        ports << TcpAddress(h);
    // A result stays on its tile while its unit may still be there.
    for (auto it = m_tiles.begin(); m_runState == RunState::Idle && it != m_tiles.end();) {
        if (!sameRecipe || !ports.contains(it.key())) {
            delete it.value();
            it = m_tiles.erase(it);
        } else {
            ++it;
        }
    }
    for (const QString &p : ports)
        tileFor(p);
}

void StationWindow::startStation()
{
    if (m_runState != RunState::Idle)
        return;
    if (!m_haveRecipe) {
        m_dialogs.error(this, tr("请先打开配方"));
        return;
    }
    // The recipe as it is on disk now: another station's engineer may have changed it. A pipe
    // was read once when it was opened and is not read again.
    if (QFileInfo(m_recipePath).isFile() && !openRecipe(m_recipePath))
        return;
    StationConfig c;
    QString error;
    if (!ApplyRecipe(m_recipe, QFileInfo(m_recipePath).absolutePath(), c, error)) {
        m_dialogs.error(this, tr("工位无法开始：%1").arg(error));
        return;
    }
    if (c.ports.isEmpty() && c.tcpHosts.isEmpty()) {
        m_dialogs.error(this, tr("配方没有端口，也没有TCP主机"));
        return;
    }
    c.watch = !c.ports.isEmpty();
    // Units reached over TCP are known again at every Start as well.
    c.skipDone = true;
    // The target counts the recipe's units over every run of it, not each run from nothing.
    if (c.target > 0) {
        if (m_tally.passed() >= c.target) {
            m_dialogs.information(this, tr("已达到目标：%1 台合格").arg(m_tally.passed()));
            return;
        }
        c.target -= m_tally.passed();
    }
    m_host = std::make_unique<StationHost>(c);
    StationHost *h = m_host.get();
    // Stop pressed while starting stays pressed: the host stops once it has started.
    connect(h, &StationHost::started, this, [this] {
        if (m_runState == RunState::Starting)
            setRunState(RunState::Running);
    });
    connect(h, &StationHost::startFailed, this, [this](const QString &why) {
        m_host.reset();
        setRunState(RunState::Idle);
        m_dialogs.error(this, tr("工位无法开始：%1").arg(why));
    });
    connect(h, &StationHost::unitStarted, this, [this](const QString &port) {
        m_present.remove(port);
        tileFor(port)->setBusy(UnitStep::Open, 1, 1);
    });
    connect(h, &StationHost::unitProgress, this, [this](const QString &port, UnitStep step, const QString &, int n, int total) {
        tileFor(port)->setBusy(step, n, total);
    });
    connect(h, &StationHost::unitFinished, this, &StationWindow::unitFinished);
    connect(h, &StationHost::portWaiting, this, [this](const QString &port) {
        m_present.remove(port);
        tileFor(port)->setWaiting();
    });
    connect(h, &StationHost::unitGone, this, [this](const QString &port) {
        m_present.remove(port);
        tileFor(port)->setWaiting();
    });
    connect(h, &StationHost::warning, this, [this](const QString &text) { addFailure(QString(), text, -1); });
    // Good news is not a failure: it goes beside the run state, not into the failures list.
    connect(h, &StationHost::notice, this, [this](const QString &text) {
        m_noticeLabel->setText(text);
        m_noticeLabel->setToolTip(text);
    });
    connect(h, &StationHost::targetReached, this, [this] { m_targetReached = true; });
    connect(h, &StationHost::finished, this, &StationWindow::stationFinished);
    m_targetReached = false;
    m_rateTimer.start();
    setRunState(RunState::Starting);
    dbwatch::ClearAbort();
    h->start();
}

void StationWindow::stopStation()
{
    if (!m_host || m_runState == RunState::Stopping)
        return;
    setRunState(RunState::Stopping);
    // A wait on a database that stopped answering ends soon; the units in progress finish.
    dbwatch::RequestAbort();
    m_host->stop();
}

void StationWindow::stationFinished()
{
    // Every unit in progress has ended and is recorded: the host can go.
    m_host.reset();
    m_rateTimer.stop();
    setRunState(RunState::Idle);
    if (m_targetReached)
        m_stateLabel->setText(tr("已达到目标"));
    if (m_closeWhenStopped)
        close();
}

void StationWindow::setRunState(RunState s)
{
    m_runState = s;
    const bool idle = s == RunState::Idle;
    m_startButton->setEnabled(idle && m_haveRecipe);
    m_stopButton->setEnabled(s == RunState::Running || s == RunState::Starting);
    m_openButton->setEnabled(idle);
    static const char *const words[] = {QT_TR_NOOP("已停止"), QT_TR_NOOP("正在开始…"), QT_TR_NOOP("运行中"),
                                        QT_TR_NOOP("正在停止，等待进行中的单元完成…")};
    m_stateLabel->setText(tr(words[int(s)]));
}

void StationWindow::closeEvent(QCloseEvent *event)
{
    if (!m_host) {
        event->accept();
        return;
    }
    int busy = 0;
    for (const UnitTile *t : m_tiles)
        busy += t->state() == UnitTile::State::Busy;
    if (busy > 0 && !m_closeWhenStopped &&
        !m_dialogs.confirm(this, tr("关闭工位"), tr("还有 %1 台单元正在进行。停止工位，等它们完成并记录后关闭？").arg(busy))) {
        event->ignore();
        return;
    }
    // Closed once the units in progress are done and recorded: nothing is lost.
    m_closeWhenStopped = true;
    stopStation();
    event->ignore();
}
