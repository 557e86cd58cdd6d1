// The simulated device's answers over its pseudo-terminal: parameters, sets, state,
// clock, work modes, sockets and the profile that gives its start values.
#include "sim_wire.h"
#include "support/sim_process.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace simtest;

namespace {
QMap<uint16_t, QByteArray> records(const QByteArray &area)
{
    QMap<uint16_t, QByteArray> out;
    int i = 0;
    while (i + 4 <= area.size()) {
        const int l = static_cast<uint8_t>(area[i]) * 256 + static_cast<uint8_t>(area[i + 1]);
        const uint16_t code = static_cast<uint16_t>(static_cast<uint8_t>(area[i + 2]) * 256 + static_cast<uint8_t>(area[i + 3]));
        out.insert(code, area.mid(i + 4, l - 2));
        i += l + 2;
    }
    return out;
}

QByteArray codes(std::initializer_list<uint16_t> list)
{
    QByteArray b;
    for (uint16_t c : list) {
        b.append(static_cast<char>(c >> 8));
        b.append(static_cast<char>(c & 0xFF));
    }
    return b;
}

QMap<uint16_t, QByteArray> readParams(Wire &w, std::initializer_list<uint16_t> list, const QByteArray &prefix = {})
{
    const auto r = frame::CheckParamReply(w.exchange(0xE001, codes(list), prefix), 0xE0, prefix.size());
    if (r.status != frame::DataCheck::Ok)
        return {{0xFFFF, QByteArray("bad reply")}};
    return records(r.records);
}

QByteArray modeSwitch(int mode, const QByteArray &code = "KMVRBTQHWDNXA")
{
    return QByteArray(1, static_cast<char>(mode)) + code;
}
} // namespace

class TestSimDevice : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY2(m_sim.start({QStringLiteral("--pty")}), qPrintable(m_sim.errorText()));
        QVERIFY(m_wire.open(m_sim.ptyPath()));
    }
    void cleanup()
    {
        m_wire.close();
        m_sim.stop();
    }

    void readSkipsUnknownCodesAndWritesStick()
    {
        auto values = readParams(m_wire, {0x0001, 0x0099, 0x0003});
        QCOMPARE(values.keys(), (QList<uint16_t>{0x0001, 0x0003}));
        QCOMPARE(values[0x0001], QByteArray("DTU-0001"));
        QCOMPARE(values[0x0003], QByteArray::fromHex("22B8"));

        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0003, QByteArray::fromHex("1F90"))), rcOk);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0099, QByteArray::fromHex("01"))), rcRefused);
        // An empty value is a value too.
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0004, QByteArray())), rcOk);
        values = readParams(m_wire, {0x0003, 0x0004, 0x0099});
        QCOMPARE(values.size(), 2);
        QCOMPARE(values[0x0003], QByteArray::fromHex("1F90"));
        QCOMPARE(values[0x0004], QByteArray());
        // Unknown device words are refused, not taken as parameters.
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE07F)), rcRefused);
    }

    void setsSelectWhichCodesExistAndDefaultsRestoreBoth()
    {
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0001, QByteArray("CHANGED"))), rcOk);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE050, QByteArray(1, '\0'))), rcOk);
        auto values = readParams(m_wire, {0x0001, 0x0101});
        QCOMPARE(values.keys(), (QList<uint16_t>{0x0101}));
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0001, QByteArray("X"))), rcRefused);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0101, QByteArray::fromHex("7F"))), rcOk);
        QCOMPARE(readParams(m_wire, {0x0101})[0x0101], QByteArray::fromHex("7F"));
        // A set the device lacks is refused and the current one stays.
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE050, QByteArray(1, '\x07'))), rcRefused);
        QCOMPARE(readParams(m_wire, {0x0101}).size(), 1);

        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE006)), rcOk);
        QCOMPARE(readParams(m_wire, {0x0101})[0x0101], QByteArray::fromHex("0A"));
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE050, QByteArray(1, '\x01'))), rcOk);
        QCOMPARE(readParams(m_wire, {0x0001})[0x0001], QByteArray("DTU-0001"));
    }

    void stateSignalVersionAndClock()
    {
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE004), 0xE004).value, 2);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE004, QByteArray(1, '\x05'))), rcOk);
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE004), 0xE004).value, 5);
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE023), 0xE023).value, 23);
        QCOMPARE(frame::CheckTextReply(m_wire.exchange(0xE003)).value_or("none"), QByteArray("DTUSIM-V1.0.3"));

        const auto clock = frame::CheckTextReply(m_wire.exchange(0xE00E));
        QVERIFY(clock.has_value());
        const QDateTime now = QDateTime::fromString(QString::fromLatin1(*clock), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY(now.isValid());
        QVERIFY(qAbs(now.secsTo(QDateTime::currentDateTime())) <= 2);

        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE00D, QByteArray("2020-01-02 03:04:05"))), rcOk);
        const auto set = frame::CheckTextReply(m_wire.exchange(0xE00E));
        QVERIFY(set.has_value());
        QVERIFY2(set->startsWith("2020-01-02 03:04:0"), set->constData());
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE00D, QByteArray("2020-01-02 03:04"))), rcRefused);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE00D, QByteArray("2020-13-45 03:04:05"))), rcRefused);
    }

    void transparentModeEchoesLooseBytesAroundFrames()
    {
        QCOMPARE(m_wire.exchange(QByteArray("hello\x01\x00", 7)), QByteArray("hello\x01\x00", 7));
        // Loose bytes before a frame come back, then the frame's own reply.
        const QByteArray mixed = QByteArray("ab") + frame::Build({}, 0xE023, {});
        m_wire.send(mixed);
        const QByteArray got = m_wire.collect();
        QVERIFY2(got.startsWith("ab"), got.toHex().constData());
        QCOMPARE(frame::CheckByteReply(got.mid(2), 0xE023).value, 23);
    }

    void modemModeAnswersAtLinesAndMessages()
    {
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE022, modeSwitch(2, "WRONGCODEXXXX"))), rcRefused);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE022, modeSwitch(2))), rcOk);
        m_wire.send("AT\r");
        QCOMPARE(m_wire.drain(2000), QByteArray("\r\nOK\r\n"));
        m_wire.send("hi there\x1A");
        QCOMPARE(m_wire.drain(2000), QByteArray("\r\n+CMGS: 1\r\n\r\nOK\r\n"));
        // Frames are still answered; a reset brings back the echo.
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE005)), rcOk);
        QCOMPARE(m_wire.exchange(QByteArray("AT\r")), QByteArray("AT\r"));
    }

    void controlModeDropsLooseBytes()
    {
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE022, modeSwitch(1))), rcOk);
        m_wire.send("xyz\r");
        QCOMPARE(m_wire.drain(500), QByteArray());
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE022, modeSwitch(3))), rcRefused);
        // A frame with a bad checksum is ignored; the good one right behind it is answered.
        QByteArray bad = frame::Build({}, 0xE005, {});
        bad[bad.size() - 1] = static_cast<char>(bad[bad.size() - 1] + 1);
        m_wire.send(bad + frame::Build({}, 0xE023, {}));
        const QByteArray got = m_wire.drain(2000);
        QCOMPARE(frame::CheckByteReply(got, 0xE023).value, 23);
    }

    void unfinishedFrameStartIsGivenUpWhenTheLineGoesQuiet()
    {
        // AA 55 with a LEN that never arrives: after a pause the bytes count as loose (echoed).
        const QByteArray start("\xAA\x55\x00\x10" "ab", 6);
        m_wire.send(start);
        QCOMPARE(m_wire.drain(2000, 500), start);
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE023), 0xE023).value, 23);
    }

    void socketsLoopBackSentData()
    {
        const QByteArray sock0("\x00\x00", 2);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0062, sock0 + "early")), rcRefused);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0063, sock0)), rcRefused);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0060, QByteArray::fromHex("01FDE81F90C0A80138"))), rcOk);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0061, QByteArray::fromHex("FDE8"))), rcOk);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0061, QByteArray::fromHex("1234"))), rcRefused);

        auto fetched = frame::CheckFetchReply(m_wire.exchange(0x0063, sock0));
        QCOMPARE(fetched.status, frame::DataCheck::Ok);
        QCOMPARE(fetched.content, sock0);

        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0062, sock0 + "ping")), rcOk);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0062, sock0 + QByteArray("\xAA\x55", 2))), rcOk);
        fetched = frame::CheckFetchReply(m_wire.exchange(0x0063, sock0));
        QCOMPARE(fetched.status, frame::DataCheck::Ok);
        QCOMPARE(fetched.content, sock0 + "ping" + QByteArray("\xAA\x55", 2));
        QCOMPARE(frame::CheckFetchReply(m_wire.exchange(0x0063, sock0)).content, sock0);

        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0064, QByteArray::fromHex("FDE8"))), rcOk);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0065, QByteArray::fromHex("FDE8"))), rcOk);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0062, sock0 + "late")), rcRefused);
        // A UDP socket (short payload without peer) cannot be connected.
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0060, QByteArray::fromHex("00FDE81F90"))), rcOk);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0061, QByteArray::fromHex("FDE8"))), rcRefused);
    }

    void portSurvivesCloseAndReopen()
    {
        m_wire.close();
        QVERIFY(m_wire.open(m_sim.ptyPath()));
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE023), 0xE023).value, 23);
    }

    void prefixIsSkippedAndEchoed()
    {
        m_wire.close();
        QVERIFY(m_sim.start({QStringLiteral("--pty"), QStringLiteral("--prefix"), QStringLiteral("0102")}));
        QVERIFY(m_wire.open(m_sim.ptyPath()));
        const QByteArray prefix = QByteArray::fromHex("0102");
        const QByteArray reply = m_wire.exchange(0xE001, codes({0x0003}), prefix);
        QCOMPARE(reply.mid(4, 4), QByteArray::fromHex("E0810102"));
        const auto r = frame::CheckParamReply(reply, 0xE0, prefix.size());
        QCOMPARE(r.status, frame::DataCheck::Ok);
        QCOMPARE(records(r.records)[0x0003], QByteArray::fromHex("22B8"));
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0003, QByteArray::fromHex("0050"), prefix)), rcOk);
        QCOMPARE(readParams(m_wire, {0x0003}, prefix)[0x0003], QByteArray::fromHex("0050"));
    }

    void profileGivesStartValuesInGbkWithExtendedFile()
    {
        m_wire.close();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // GBK bytes for a Chinese name, comments and trailing commas, as hand-edited profiles have.
        QByteArray profile = "{\n // device\n \"Title\": \"\xB2\xE2\xCA\xD4\",\n"
                             " \"ExParamFile\": \"ext.txt\", \"ExParamChannel\": 2,\n"
                             " \"Params\": [ {\"CMDID\": \"\", \"PNAME\": \"\xBB\xF9\xB1\xBE\"},\n"
                             "  {\"CMDID\": \"0012\", \"PNAME\": \"a,]\", \"PVALUE\": \"HEX:0A0B\",},\n"
                             "  /* last */ {\"CMDID\": \"0013\", \"PVALUE\": \"\"}, ],\n}\n";
        QFile f(dir.filePath(QStringLiteral("dev.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(profile);
        f.close();
        QFile e(dir.filePath(QStringLiteral("ext.txt")));
        QVERIFY(e.open(QIODevice::WriteOnly));
        e.write("{\"Params\": [{\"CMDID\": \"0101\", \"PVALUE\": \"HEX:CAFE\"},]}");
        e.close();

        QVERIFY2(m_sim.start({QStringLiteral("--pty"), QStringLiteral("--profile"), f.fileName()}),
                 qPrintable(m_sim.errorText()));
        QVERIFY(m_wire.open(m_sim.ptyPath()));
        auto values = readParams(m_wire, {0x0012, 0x0013, 0x0101, 0x0001});
        QCOMPARE(values.keys(), (QList<uint16_t>{0x0012, 0x0013}));
        QCOMPARE(values[0x0012], QByteArray::fromHex("0A0B"));
        QCOMPARE(values[0x0013], QByteArray());
        // The main table is set 2 (ExParamChannel); the extended file is set 0; no set 1.
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE050, QByteArray(1, '\x01'))), rcRefused);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE050, QByteArray(1, '\x00'))), rcOk);
        QCOMPARE(readParams(m_wire, {0x0101, 0x0012})[0x0101], QByteArray::fromHex("CAFE"));

        // A broken profile stops the simulator with a reason.
        m_wire.close();
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{\"Params\": [ {\"CMDID\": ");
        f.close();
        QVERIFY(!m_sim.start({QStringLiteral("--pty"), QStringLiteral("--profile"), f.fileName()}));
        QVERIFY2(m_sim.errorText().contains(QLatin1String("JSON")), qPrintable(m_sim.errorText()));
    }

    void linkFollowsSlaveAndGoesAwayOnTerminate()
    {
        m_wire.close();
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyDTU"));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), link));   // a stale link is replaced
        QVERIFY(m_sim.start({QStringLiteral("--pty"), QStringLiteral("--link"), link}));
        QCOMPARE(QFile::symLinkTarget(link), m_sim.ptyPath());
        QVERIFY(m_wire.open(link));
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE023), 0xE023).value, 23);
        m_wire.close();
        m_sim.stop();
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void logRecordsEveryReceivedFrame()
    {
        m_wire.close();
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("frames.log"));
        QVERIFY(m_sim.start({QStringLiteral("--pty"), QStringLiteral("--log"), logPath}));
        QVERIFY(m_wire.open(m_sim.ptyPath()));
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE00D, QByteArray("2020-01-02 03:04:05"))), rcOk);
        m_wire.exchange(QByteArray("noise"));
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE023), 0xE023).value, 23);
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QCOMPARE(lines.size(), 3);   // two frames and the empty tail
        QCOMPARE(lines[0], frame::Build({}, 0xE00D, "2020-01-02 03:04:05").toHex(' ').toUpper());
        QCOMPARE(lines[1], QByteArray("AA 55 00 04 E0 23 01 07"));
    }

private:
    SimProcess m_sim;
    PtyWire m_wire;
};

QTEST_GUILESS_MAIN(TestSimDevice)
#include "tst_sim_device.moc"
