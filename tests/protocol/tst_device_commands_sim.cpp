// Device control commands over a real pseudo-terminal against the simulated device,
// with the script prefix in every frame and the simulator's fault injection.
#include "link/serial_channel.h"
#include "protocol/device_commands.h"
#include "protocol/result_texts.h"
#include "sim/device_model.h"
#include "session/core_session.h"
#include "support/sim_process.h"

#include <QRegularExpression>
#include <QtTest>

namespace {
const char *kScript =
    "var PREFIX = \"0102\";"
    "function PrevCmd() { return PREFIX; }"
    "function GetCmd(name) {"
    "  var words = { CMD_GETPARAM: \"E001\", CMD_REPLYCONFIG: \"E081\", CMD_GETDTUVER: \"E003\","
    "                CMD_GETSTATUS: \"E004\", CMD_RESET: \"E005\", CMD_SETDEFAULT: \"E006\" };"
    "  return words[name] || \"\";"
    "}";
}

class TestDeviceCommandsSim : public QObject {
    Q_OBJECT

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CoreSession> s;
    std::unique_ptr<DeviceCommands> cmds;

    // Starts the simulator with `extra` options and opens its pty as the serial port.
    bool startDevice(const QStringList &extra)
    {
        sim = std::make_unique<SimProcess>();
        if (!sim->start(QStringList{"--pty", "--prefix", "0102", "--state", "3", "--csq", "21"} + extra)) {
            qWarning() << sim->errorText();
            return false;
        }
        SerialSettings settings;
        settings.portName = sim->ptyPath();
        settings.baudRate = 38400;
        return s->link.serial().open(settings);
    }

private slots:
    void init()
    {
        s = std::make_unique<CoreSession>();
        s->state.FastReplies = true;
        QVERIFY(s->script.evaluate(QString::fromUtf8(kScript)).ok);
        cmds = std::make_unique<DeviceCommands>(*s);
    }
    void cleanup()
    {
        cmds.reset();
        if (s)
            s->link.serial().close();
        s.reset();
        sim.reset();
    }

    void talksToTheDevice()
    {
        QVERIFY(startDevice({}));
        OpOutcome out = cmds->ReadState();
        QCOMPARE(out.stateLogLines, QStringList{"DTU状态=3,PPP拨号状态"});
        QCOMPARE(s->state.LastPrefix, QByteArray::fromHex("0102"));

        QCOMPARE(cmds->SetState(1).panelText, QStringLiteral("[状态设置成功]"));
        QCOMPARE(cmds->ReadState().stateLogLines, QStringList{"DTU状态=2,待机状态"});

        QCOMPARE(cmds->ReadSignal().stateLogLines, QStringList{"DTU CSQ=21"});

        out = cmds->ReadVersion();
        QCOMPARE(out.stateLogLines, QStringList{QStringLiteral("DTU版本号=") + QLatin1String(simwords::kVersionText)});

        out = cmds->SetClock(QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6)));
        QCOMPARE(out.stateLogLines, (QStringList{"设置设备时钟=2031-02-03 04:05:06", "[设备时钟设置成功]"}));
        out = cmds->ReadClock();
        QCOMPARE(out.panelText, QStringLiteral("设备时钟读取成功"));
        QCOMPARE(out.stateLogLines.size(), 2);
        QVERIFY2(QRegularExpression(QStringLiteral("^2031-02-03 04:0\\d:\\d\\d$")).match(out.stateLogLines[1]).hasMatch(),
                 qPrintable(out.stateLogLines[1]));

        out = cmds->SwitchWorkMode(1);
        QCOMPARE(out.panelText, QStringLiteral("[工作模式切换成功]"));
        QCOMPARE(int(s->state.WorkMode), 1);

        s->state.ParamChannel = -1;
        QCOMPARE(cmds->SelectParamChannel(1).code, int(rcOk));
        QCOMPARE(s->state.ParamChannel, 1);

        QCOMPARE(cmds->RestoreFactoryDefaults().panelText, QStringLiteral("[参数设置成功]"));
        QCOMPARE(cmds->Reset().panelText, QStringLiteral("[复位设备成功]"));
        QCOMPARE(int(s->state.WorkMode), 0);
    }

    void refusedReplies()
    {
        QVERIFY(startDevice({"--refuse", "E005,E006,E00D"}));
        QCOMPARE(cmds->Reset().panelText, QStringLiteral("[复位设备失败]"));
        QCOMPARE(cmds->RestoreFactoryDefaults().panelText, QStringLiteral("[参数设置失败]"));
        QCOMPARE(cmds->SetClock(QDateTime::currentDateTime()).panelText, QStringLiteral("[设备时钟设置失败]"));
    }

    void garbledReplies()
    {
        QVERIFY(startDevice({"--garble", "E005,E006,E004"}));
        QCOMPARE(cmds->Reset().panelText, QStringLiteral("[复位设备失败，非法的返回串！]"));
        QCOMPARE(cmds->RestoreFactoryDefaults().panelText, QStringLiteral("[参数设置失败，非法的返回串！]"));
        QCOMPARE(cmds->ReadState().stateLogLines, QStringList{"DTU状态读取失败，参数错误！"});
    }

    void badChecksums()
    {
        QVERIFY(startDevice({"--bad-checksum"}));
        QCOMPARE(cmds->Reset().panelText, QStringLiteral("[复位设备失败，返回帧校验错误！]"));
        QCOMPARE(cmds->RestoreFactoryDefaults().panelText, QStringLiteral("[参数设置失败，返回帧校验错误！]"));
        QCOMPARE(cmds->ReadSignal().stateLogLines, QStringList{"信号读取失败"});
        QCOMPARE(cmds->ReadVersion().stateLogLines, (QStringList{"DTU版本号读取失败", "DTU版本号="}));
    }

    void wrongReplyWord()
    {
        QVERIFY(startDevice({"--wrong-cmd"}));
        OpOutcome out = cmds->ReadState();
        QCOMPARE(out.panelText, QStringLiteral("[状态读取失败，返回数据包命令字非法！]"));
        QCOMPARE(out.logLines, QStringList{out.panelText});
        QCOMPARE(out.stateLogLines, QStringList{"DTU状态读取失败"});
        out = cmds->ReadSignal();
        QCOMPARE(out.panelText, QStringLiteral("[信号读取失败，返回数据包命令字非法！]"));
        QCOMPARE(out.stateLogLines, QStringList{"信号读取失败"});
    }

    void silentDevice()
    {
        QVERIFY(startDevice({"--silent", "E005"}));
        QCOMPARE(cmds->Reset().panelText, QStringLiteral("[复位设备失败，设备无响应！]"));
    }
};

QTEST_GUILESS_MAIN(TestDeviceCommandsSim)
#include "tst_device_commands_sim.moc"
