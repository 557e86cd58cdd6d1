// The main window's profile handling: the file menu's load and save, the reload at start-up,
// a profile named on the command line, and what a loaded profile sets in the window.
#include "app/main_window.h"

#include "app/comm_page.h"
#include "profile/profile_session.h"
#include "session/core_session.h"
#include "widgets/dialogs.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace {
struct MainWindowTexts {
    Q_DECLARE_TR_FUNCTIONS(MainWindowTexts)
};
} // namespace

namespace {
// A profile may carry a value the list does not offer (33600, 8M1): it is taken as it is.
void setListText(QComboBox *box, const QString &text)
{
    int i = box->findText(text);
    if (i < 0) {
        box->addItem(text);
        i = box->count() - 1;
    }
    box->setCurrentIndex(i);
}
} // namespace

void MainWindow::loadProfileFromMenu()
{
    const QString preset = QCoreApplication::applicationDirPath() + QStringLiteral("/*.txt");
    const QString path = m_dialogs.openFile(this, MainWindowTexts::tr("调入参数文件"), preset,
                                            MainWindowTexts::tr("参数文件 (*.txt);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    // A refused file changes nothing: the tables, the path shown and the file reloaded at the
    // next start stay those of the profile loaded before.
    const ProfileLoadResult result = m_session.profile.LoadProfile(path);
    if (!result.ok) {
        m_dialogs.error(this, MainWindowTexts::tr("参数文件调入失败：%1\n%2").arg(path, result.error));
        return;
    }
    m_commPage->m_profilePathBox->setPlainText(path);
    QString error;
    if (!WriteLastFile(path, &error))
        log(MainWindowTexts::tr("[无法写入lastfile.log：%1]").arg(error));
    applyProfile(result);
    for (const QString &line : result.entryErrors)
        log(line);
    if (!result.extOk) {
        log(QLatin1Char('[') + result.extFailureText() + QLatin1Char(']'));
        m_dialogs.error(this, result.extFailureText());
    }
}

void MainWindow::reloadLastProfile()
{
    m_reloadTimer.stop();
    if (!m_commPage->m_profilePathBox->toPlainText().isEmpty())
        return;
    const QString path = ReadLastFile();
    if (path.isEmpty())
        return;
    m_commPage->m_profilePathBox->setPlainText(path);
    const ProfileLoadResult result = m_session.profile.LoadProfile(path);
    if (result.ok)
        applyProfile(result);
}

bool MainWindow::loadProfileFromCommandLine(const QString &path)
{
    m_commPage->m_profilePathBox->setPlainText(path);
    const ProfileLoadResult result = m_session.profile.LoadProfile(path);
    if (!result.ok) {
        log(MainWindowTexts::tr("[参数文件调入失败：%1 %2]").arg(path, result.error));
        return false;
    }
    applyProfile(result);
    for (const QString &line : result.entryErrors)
        log(line);
    if (!result.extOk)
        log(QLatin1Char('[') + result.extFailureText() + QLatin1Char(']'));
    return true;
}

void MainWindow::applyProfile(const ProfileLoadResult &result)
{
    const ProfileSettings &s = result.settings;
    if (!s.title.isEmpty())
        setWindowTitle(MainWindowTexts::tr("参数配置程序 ") + s.title);
    if (!s.comport.isEmpty())
        m_commPage->m_portEdit->setText(s.comport);
    if (!s.baudrate.isEmpty())
        setListText(m_commPage->m_baudCombo, s.baudrate);
    if (!s.comOption.isEmpty())
        setListText(m_commPage->m_formatCombo, s.comOption);
    setExtTabVisible(!s.exParamFile.isEmpty());
    m_commPage->m_tcpGroup->setVisible(!s.tcpConfigIp.isEmpty());
    m_commPage->m_deviceIpEdit->setText(s.tcpConfigIp);

    // The user's choice, unless the profile still carries one of its own.
    bool fast = m_userSettings ? m_userSettings->fastReplies() : m_session.state.FastReplies;
    if (const nlohmann::ordered_json *root = m_session.profile.root()) {
        const auto it = root->find("FastReplies");
        if (it != root->end() && it->is_string())
            fast = it->get<std::string>() == "1";
    }
    m_session.state.FastReplies = fast;
    const QSignalBlocker block(m_fastRepliesAction);
    m_fastRepliesAction->setChecked(fast);
}

void MainWindow::setFastReplies(bool checked)
{
    m_session.state.FastReplies = checked;
    if (m_userSettings)
        m_userSettings->setFastReplies(checked);
}

void MainWindow::saveProfileAs()
{
    ProfileSession &profile = m_session.profile;
    if (!profile.isLoaded()) {
        m_dialogs.error(this, MainWindowTexts::tr("尚未调入参数文件"));
        return;
    }
    // The table's values reach the profile tree even when the save is cancelled.
    profile.StoreTableValues();
    const QString path = m_dialogs.saveFile(this, MainWindowTexts::tr("保存参数文件"),
                                            QStringLiteral("*.txt"),
                                            MainWindowTexts::tr("参数文件 (*.txt);;所有文件 (*)"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    QString error;
    if (!profile.SaveProfileAs(path, &error))
        m_dialogs.error(this, MainWindowTexts::tr("参数文件保存失败：%1\n%2").arg(path, error));
}
