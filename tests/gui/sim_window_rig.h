#pragma once
// The real main window in a temporary working directory holding examples/script.js and a
// small test profile, talking to dtusim over a pseudo-terminal. The simulated device starts
// with values that differ from the profile's, so a read visibly changes the tables.
#include "app/comm_page.h"
#include "app/ext_page.h"
#include "app/main_window.h"
#include "params/ui/param_view.h"
#include "session/core_session.h"
#include "support/isolated_home.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "widgets/conversation_view.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace rig {

struct Row {
    const char *code, *name, *value, *onGet, *onSet, *onList;
};

// Main table of the tool's profile. Codes: a list row, a heading, a masked text row, a
// script-converted number, a float, a plain text row and the protected row.
inline const Row kMainRows[] = {
    {"0001", "工作模式", "HEX:00", "", "", R"([["透明","协议"],["00","01"]])"},
    {"", "网络设置", "", "", "", ""},
    {"0002", "APN", "HEX:636D6E6574", "GetStr()", "SetStr()", R"(Length=8;Mask="abcdefghijklmnopqrstuvwxyz.";)"},
    {"0003", "服务器端口", "HEX:1F90", "GetU16()", "SetU16()", R"(Length=5;Mask="0123456789";)"},
    {"0004", "补偿系数", "HEX:0000803F", "GetFloat()", "SetFloat()", ""},
    {"0005", "用户名", "HEX:75736572", "GetStr()", "SetStr()", ""},
    {"0091", "管理参数", "HEX:05", "GetU8()", "SetU8()", R"(Length=3;Mask="0123456789";)"},
};
// What the simulated device holds at start, by code (the tool's profile has the values above).
inline const char *const kDeviceValues[][2] = {
    {"0001", "HEX:01"}, {"0002", "HEX:696E7465726E6574"}, {"0003", "HEX:2328"},
    {"0004", "HEX:00002040"}, {"0005", "HEX:61646D696E"}, {"0091", "HEX:09"},
};
inline const Row kExtRows[] = {
    {"0101", "从站地址", "HEX:01", "GetU8()", "SetU8()", R"(Length=3;Mask="0123456789";)"},
    {"0102", "上报方式", "HEX:00", "", "", R"([["定时","变化"],["00","01"]])"},
};
inline const char *const kExtDeviceValues[][2] = {{"0101", "HEX:07"}, {"0102", "HEX:01"}};

inline QString jsonText(const QString &s)
{
    QString out = s;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

template <size_t N>
QString paramsJson(const Row (&rows)[N], const char *const (*values)[2] = nullptr, size_t valueCount = 0)
{
    QStringList entries;
    for (const Row &r : rows) {
        QString value = QString::fromUtf8(r.value);
        for (size_t i = 0; i < valueCount; ++i)
            if (QString::fromUtf8(values[i][0]) == QString::fromUtf8(r.code))
                value = QString::fromUtf8(values[i][1]);
        entries << QStringLiteral("  {\"CMDID\":%1,\"PNAME\":%2,\"PVALUE\":%3,\"ONGET\":%4,\"ONSET\":%5,\"ONLIST\":%6,"
                                  "\"PNOTE\":\"\"}")
                       .arg(jsonText(QString::fromUtf8(r.code)), jsonText(QString::fromUtf8(r.name)),
                            jsonText(value), jsonText(QString::fromUtf8(r.onGet)),
                            jsonText(QString::fromUtf8(r.onSet)), jsonText(QString::fromUtf8(r.onList)));
    }
    return QStringLiteral(" \"Params\": [\n") + entries.join(QStringLiteral(",\n")) + QStringLiteral("\n ]");
}

inline void writeText(const QString &path, const QString &text)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(text.toUtf8());
}

struct Options {
    bool ext = false;            // the profile names an extended file
    bool fast = true;            // fast replies (timing is not under test)
    QString prefix;              // PREFIX of script.js and the simulator's --prefix
    QStringList faults;          // further dtusim arguments
    bool openPort = true;
};

class SimWindowRig {
public:
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    SimProcess sim;
    std::unique_ptr<CoreSession> session;
    std::unique_ptr<MainWindow> form;

    ~SimWindowRig()
    {
        form.reset();
        session.reset();
        sim.stop();
        QDir::setCurrent(QDir::tempPath());
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString logPath() const { return path(QStringLiteral("frames.log")); }

    // Writes the files, starts the simulator and the window, loads the profile, opens the port.
    bool start(const Options &o = Options())
    {
        QDir::setCurrent(dir.path());
        QFile::copy(QStringLiteral(DTU_SOURCE_DIR "/examples/script.js"), path(QStringLiteral("script.js")));
        const QString extTool = o.ext ? QStringLiteral(" \"ExParamFile\": \"ext.txt\",\n \"ExParamChannel\": 1,\n")
                                      : QString();
        const QString extDevice =
            o.ext ? QStringLiteral(" \"ExParamFile\": \"device_ext.txt\",\n \"ExParamChannel\": 1,\n") : QString();
        writeText(path(QStringLiteral("dev.txt")),
                  QStringLiteral("{\n \"Title\": \"测试\",\n") + extTool + paramsJson(kMainRows) + QStringLiteral("\n}\n"));
        writeText(path(QStringLiteral("ext.txt")), QStringLiteral("{\n") + paramsJson(kExtRows) + QStringLiteral("\n}\n"));
        writeText(path(QStringLiteral("device.txt")),
                  QStringLiteral("{\n") + extDevice + paramsJson(kMainRows, kDeviceValues, std::size(kDeviceValues)) +
                      QStringLiteral("\n}\n"));
        writeText(path(QStringLiteral("device_ext.txt")),
                  QStringLiteral("{\n") + paramsJson(kExtRows, kExtDeviceValues, std::size(kExtDeviceValues)) +
                      QStringLiteral("\n}\n"));

        QStringList args{QStringLiteral("--pty"), QStringLiteral("--profile"), path(QStringLiteral("device.txt")),
                         QStringLiteral("--log"), logPath()};
        if (!o.prefix.isEmpty())
            args << QStringLiteral("--prefix") << o.prefix;
        if (!sim.start(args + o.faults)) {
            qWarning("%s", qPrintable(sim.errorText()));
            return false;
        }
        session = std::make_unique<CoreSession>();
        form = std::make_unique<MainWindow>(*session, dialogs);
        if (!o.prefix.isEmpty())
            session->script.evaluate(QStringLiteral("PREFIX=\"%1\";").arg(o.prefix));
        if (!form->loadProfileFromCommandLine(path(QStringLiteral("dev.txt"))))
            return false;
        session->state.FastReplies = o.fast;
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            return false;
        if (o.openPort) {
            form->m_commPage->m_portEdit->setText(sim.ptyPath());
            form->m_commPage->openPort();
            if (!session->link.isSerialOpen())
                return false;
        }
        return true;
    }

    ParamTable &main() { return session->mainTable; }
    ParamTable &ext() { return session->extTable; }
    int rowOf(const char *code) const { return session->mainTable.findByCode(QLatin1String(code)); }
    QString shown(const char *code) const { return session->mainTable.row(rowOf(code)).shown; }
    QString stored(const char *code) const { return session->mainTable.row(rowOf(code)).stored; }
    QString panel() const { return form->m_resultLabel->text(); }
    QStringList memo1() const { return form->m_log->toPlainText().split(QLatin1Char('\n')); }
    QLineEdit *gEdit() const { return form->m_commPage->m_valueEdit; }
    QComboBox *gCombo() const { return form->m_commPage->m_valueCombo; }

    // Frames the simulated device received, as hex dump lines.
    QStringList framesSeen() const
    {
        QFile f(logPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // Whether a frame with command word `word` (e.g. "E0 05") reached the device.
    bool deviceGot(const QString &word) const
    {
        for (const QString &line : framesSeen())
            if (line.mid(12).startsWith(word))
                return true;
        return false;
    }

    void selectMain(const char *code) { session->mainTable.setSelectedRow(rowOf(code)); }
    // Replaces the edit box's text by typing, as a user would.
    void retype(const QString &text)
    {
        QLineEdit *e = gEdit();
        e->setFocus();
        QTest::keyClick(e, Qt::Key_End);
        while (!e->text().isEmpty())
            QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, text);
    }
    // A mouse pick in the list editor: the entry becomes current and the user's choice is reported.
    void pick(const QString &text)
    {
        QComboBox *c = gCombo();
        const int i = c->findText(text);
        QVERIFY2(i >= 0, qPrintable(text));
        c->setCurrentIndex(i);
        emit c->activated(i);
    }
};

// Calls `probe` every 5 ms while the event loop runs (also inside an operation's own wait)
// and collects each new panel text.
class PanelRecorder : public QObject {
public:
    explicit PanelRecorder(QLabel *panel) : m_panel(panel)
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (texts.isEmpty() || texts.last() != m_panel->text())
                texts << m_panel->text();
        });
        m_timer.start();
    }
    QStringList texts;

private:
    QLabel *m_panel;
    QTimer m_timer;
};

} // namespace rig
