// The serial channel on a real pseudo-terminal: open with settings, traffic both ways,
// reopening, and the device vanishing.
#include "link/data_link.h"
#include "link/receive_poll.h"
#include "link/serial_channel.h"
#include "session/core_session.h"
#include "state/app_state.h"
#include "support/temp_file_dir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
// The device end of a pseudo-terminal; the tool opens the slave path.
struct PtyDevice {
    int master = -1;
    QString slavePath;

    bool create()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return false;
        slavePath = QString::fromLocal8Bit(ptsname(master));
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        return true;
    }
    void send(const QByteArray &bytes) { QCOMPARE(::write(master, bytes.constData(), bytes.size()), bytes.size()); }
    QByteArray receive()
    {
        QByteArray out;
        char buf[256];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0)
            out.append(buf, static_cast<int>(n));
        return out;
    }
    void hangUp()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    ~PtyDevice() { hangUp(); }
};

SerialSettings settingsFor(const QString &path)
{
    SerialSettings s;
    s.portName = path;
    s.baudRate = 115200;
    return s;
}
} // namespace

class TestSerialChannel : public QObject {
    Q_OBJECT
private slots:
    void missingDeviceFailsWithText()
    {
        SerialChannel serial;
        QVERIFY(!serial.open(settingsFor(QStringLiteral("/dev/does-not-exist-dtu"))));
        QVERIFY(!serial.isOpen());
        QVERIFY(!serial.errorString().isEmpty());
        QVERIFY(!serial.write("x"));
        QCOMPARE(serial.errorString(), QStringLiteral("Device not opened."));
    }

    void trafficBothWaysOnPty()
    {
        PtyDevice dev;
        QVERIFY(dev.create());
        SerialChannel serial;
        SerialSettings s = settingsFor(dev.slavePath);
        QVERIFY(ApplyFormatText(QStringLiteral("8E1"), s));
        QVERIFY2(serial.open(s), qPrintable(serial.errorString()));  // RTS refused by the pty: still open
        QCOMPARE(serial.port().parity(), QSerialPort::EvenParity);
        QCOMPARE(serial.port().baudRate(), 115200);
        QCOMPARE(serial.port().flowControl(), QSerialPort::NoFlowControl);

        const QByteArray frame("\xAA\x55\x00\x04\xE0\x0E\x00\xF2", 8);
        QVERIFY(serial.write(frame));
        QByteArray got;
        QTRY_COMPARE((got += dev.receive()), frame);

        dev.send(QByteArray("\x01\x00\xFF", 3));
        QTRY_COMPARE(serial.bytesAvailable(), qint64(3));
        QCOMPARE(serial.takeAvailable(), QByteArray("\x01\x00\xFF", 3));
        QVERIFY(serial.takeAvailable().isEmpty());
        QVERIFY(!serial.hasFatalError());

        // Reopening with other settings keeps the port usable.
        s.baudRate = 9600;
        QVERIFY(serial.open(s));
        QCOMPARE(serial.port().baudRate(), 9600);
        dev.send("again");
        QByteArray again;
        QTRY_COMPARE((again += serial.takeAvailable()), QByteArray("again"));
    }

    void longWriteFollowsLineRateAndKeepsEventsRunning()
    {
        PtyDevice dev;
        QVERIFY(dev.create());
        SerialChannel serial;
        SerialSettings s = settingsFor(dev.slavePath);
        s.baudRate = 9600;
        QVERIFY(serial.open(s));
        // 24 000 bytes are 25 s of line time at 9600 baud; the device takes them after 5.5 s,
        // longer than any fixed allowance of 5 s.
        const QByteArray payload(24000, 'u');
        QByteArray got;
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        QTimer reader;
        QObject::connect(&reader, &QTimer::timeout, [&] { got += dev.receive(); });
        // A precise timer: a coarse one may fire 5 % early, before the 5 s a fixed allowance would give.
        QTimer::singleShot(5500, Qt::PreciseTimer, &reader, [&] { reader.start(5); });
        QElapsedTimer t;
        t.start();
        const bool ok = serial.write(payload);
        const qint64 took = t.elapsed();
        QVERIFY2(ok, qPrintable(serial.errorString()));
        QVERIFY2(took >= 5400, qPrintable(QString::number(took)));
        QVERIFY2(ticks > 100, qPrintable(QString::number(ticks)));  // the event loop ran meanwhile
        QTRY_COMPARE(got.size(), payload.size());
        QCOMPARE(got, payload);
    }

    void writeTimeOutStopsTheOutput()
    {
        PtyDevice dev;
        QVERIFY(dev.create());
        SerialChannel serial;
        SerialSettings s = settingsFor(dev.slavePath);
        s.baudRate = 921600;
        QVERIFY(serial.open(s));
        // More than the pseudo-terminal holds, and a device that takes nothing.
        const QByteArray payload(40000, 'v');
        const qint64 allowed = SerialChannel::WriteAllowanceMs(payload.size(), 921600, 10);
        QVERIFY(allowed < 4000);
        QElapsedTimer t;
        t.start();
        QVERIFY(!serial.write(payload));
        const qint64 took = t.elapsed();
        QCOMPARE(serial.errorString(), SerialChannel::WriteTimeoutText());
        QVERIFY2(took >= allowed - 50 && took < allowed + 1500, qPrintable(QString::number(took)));
        QCOMPARE(serial.port().bytesToWrite(), qint64(0));

        // What was reported as failed does not go out once the device reads again.
        QByteArray got;
        for (int i = 0; i < 6; ++i) {
            got += dev.receive();
            QTest::qWait(50);
        }
        QVERIFY2(got.size() < payload.size(), qPrintable(QString::number(got.size())));
        // The port stays usable.
        QVERIFY2(serial.write("next"), qPrintable(serial.errorString()));
        QByteArray next;
        QTRY_VERIFY((next += dev.receive()).endsWith("next"));
    }

    void closingTheWindowEndsALongWrite()
    {
        PtyDevice dev;
        QVERIFY(dev.create());
        CoreSession session;
        SerialSettings s = settingsFor(dev.slavePath);
        s.baudRate = 300;
        QVERIFY(session.link.serial().open(s));
        QTimer::singleShot(300, &session.state, [&] { session.state.requestClose(); });
        QElapsedTimer t;
        t.start();
        QString error;
        QVERIFY(!session.link.ChannelSend(QByteArray(30000, 'w'), &error));
        QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(error, SerialChannel::WriteAbortedText());
        QCOMPARE(session.link.serial().port().bytesToWrite(), qint64(0));
    }

    void deviceVanishingClosesPortAndTellsOnce()
    {
        PtyDevice dev;
        QVERIFY(dev.create());
        AppState state;
        DataLink link;
        ReceivePoll poll(state, link);
        QVERIFY(link.serial().open(settingsFor(dev.slavePath)));
        QSignalSpy lost(&poll, &ReceivePoll::serialLost);
        poll.start();
        dev.hangUp();
        QVERIFY(lost.wait(3000));
        QVERIFY(!link.serial().isOpen());
        QVERIFY(!link.IsDataChannelOpen());
        QTest::qWait(300);
        QCOMPARE(lost.count(), 1);
        QString error;
        QVERIFY(!link.ChannelSend("x", &error));
        QCOMPARE(error, DataLink::NotOpenedText());
    }

    // Bytes that reached the port just before the device vanished are shown and logged, as the
    // last bytes of a TCP peer are.
    void bytesJustBeforeTheLossReachTheViewAndTheLog()
    {
        TempFileDir dir;
        PtyDevice dev;
        QVERIFY(dev.create());
        CoreSession s;
        s.state.WorkMode = 0;
        s.log.openFile(dir.filePath(QStringLiteral("s.log")));
        QStringList shown;
        connect(&s.poll, &ReceivePoll::transparentLine, this, [&shown](const QString &l) { shown << l; });
        QVERIFY(s.link.serial().open(settingsFor(dev.slavePath)));
        QSignalSpy lost(&s.link.serial(), &Channel::lost);
        dev.send("BYE\r\n");
        QTRY_VERIFY(s.link.serial().port().bytesAvailable() >= 5);
        dev.hangUp();
        QVERIFY(lost.wait(3000));
        QVERIFY(!s.link.serial().isOpen());
        s.poll.start();
        QTRY_VERIFY(shown.join(QString()).contains(QStringLiteral("BYE")));
        s.log.sync();
        QFile f(dir.filePath(QStringLiteral("s.log")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY2(f.readAll().contains(" RX 42 59 45 0D 0A "), "the last bytes are not in the log");
    }

    // A lost port says why in its own words, not with whatever error an unrelated call left.
    void aLostPortSaysWhyInItsOwnWords()
    {
        PtyDevice dev;
        QVERIFY(dev.create());
        SerialChannel channel;
        QSignalSpy lost(&channel, &SerialChannel::lost);
        QVERIFY(channel.open(settingsFor(dev.slavePath)));
        errno = EEXIST;
        dev.hangUp();
        QVERIFY(lost.wait(3000));
        // The pseudo-terminal's node goes with its device side, or a moment later.
        const QString reason = lost.first().first().toString();
        QVERIFY2((QStringList{QStringLiteral("设备已移除"), QStringLiteral("设备一端已关闭")}.contains(reason)), qPrintable(reason));
    }

    // A read error while the device node is still there (a port just reopened) is passed over;
    // the node is looked for at its full path, which the port's own name leaves out.
    void readErrorWithTheDeviceStillThereKeepsThePort()
    {
        PtyDevice dev;
        QVERIFY(dev.create());
        QVERIFY(dev.slavePath.startsWith(QLatin1String("/dev/")));
        SerialChannel channel;
        QSignalSpy lost(&channel, &SerialChannel::lost);
        QVERIFY(channel.open(settingsFor(dev.slavePath)));
        emit channel.port().errorOccurred(QSerialPort::ReadError);
        QTest::qWait(100);
        QVERIFY(!channel.hasFatalError());
        QVERIFY(channel.isOpen());
        QCOMPARE(lost.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSerialChannel)
#include "tst_serial_channel.moc"
