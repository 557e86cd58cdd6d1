#pragma once
// The named device commands that are not parameter reads or writes: reset, device state,
// signal strength, firmware version, clock, work-mode switch, parameter-set selection and
// factory defaults. Each returns its code or value together with the exact texts to show;
// none of them touches a widget.
#include "protocol/device_context.h"
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// What one device command shows, returned whole at its end (see params/op_sink.h for the other shape).
struct OpOutcome {
    int code = 0;             // result code, or the value read (state, signal)
    QString panelText;        // panel 3 of the main status bar; empty leaves the panel as it is
    QStringList stateLogLines;   // lines for the state log, in order
    QStringList logLines;   // lines for the main log, in order
    QString messageText;      // a message box: missing input or no data channel
    QString errorText;        // the application's error box: script error, send failure
    QString valueText;        // the text read (version), as data rather than as a shown line
    bool busy = false;        // refused, nothing sent: another exchange is running (told in the
                              // panel and the main log, not in a box)
};

class DeviceCommands {
public:
    explicit DeviceCommands(DeviceContext context);

    // Reset and factory defaults ask the user first; this is the test before asking.
    // messageText set when no data channel is open.
    OpOutcome CheckDataChannel() const;

    // After the user confirmed: CMD_RESET, acknowledgement, WorkMode := 0.
    OpOutcome Reset();
    // The user cancelled: the current panel text goes to the main log, WorkMode := 0, nothing is sent.
    OpOutcome ResetCancelled(const QString &currentPanelText);

    OpOutcome ReadState();
    // `comboText` is the chosen item of the state list (see StateItems).
    OpOutcome SetState(int itemIndex);
    OpOutcome ReadSignal();
    OpOutcome ReadVersion();
    OpOutcome ReadClock();
    // Sends `now` as the device's new clock.
    OpOutcome SetClock(const QDateTime &now);

    // Up to SwitchAttempts tries; rcNotSerial silently when the serial port is closed.
    OpOutcome SwitchWorkMode(uint8_t mode);
    // Sends only while the extended page is shown, the set differs and the serial port is open.
    OpOutcome SelectParamChannel(int n);

    // After the user confirmed: CMD_SETDEFAULT and its acknowledgement.
    OpOutcome RestoreFactoryDefaults();
    OpOutcome RestoreCancelled(const QString &currentPanelText) { return cancelled(currentPanelText); }

    static QStringList StateItems();
    // The state byte of a list item; nullopt for a text that is none of them.
    static std::optional<uint8_t> StateOfItem(int index);
    // "%.4d-%.2d-%.2d %.2d:%.2d:%.2d": always 19 characters.
    static QString ClockText(const QDateTime &t);
    static QByteArray AccessCode() { return QByteArrayLiteral("KMVRBTQHWDNXA"); }
    static constexpr int SwitchAttempts = 40;

    // Fixed command words.
    static constexpr uint16_t kSignalWord = 0xE023;
    static constexpr uint16_t kStateReplyWord = 0xE004;
    static constexpr uint16_t kClockReadWord = 0xE00E;
    static constexpr uint16_t kClockSetWord = 0xE00D;
    static constexpr uint16_t kWorkModeWord = 0xE022;
    static constexpr uint16_t kParamSetWord = 0xE050;

private:
    OpOutcome cancelled(const QString &currentPanelText);
    // CmdWordOf `name`, or nullopt with the error in `out`.
    std::optional<uint16_t> wordOf(const QString &name, OpOutcome &out);
    // Builds and sends; false with the error in `out`.
    bool send(uint16_t cmd, const QByteArray &payload, OpOutcome &out);
    // Ack-answered command: word, payload, then the panel text by `texts` also logged to the main log.
    OpOutcome ackCommand(const QString &cmdName, const QByteArray &payload, QString (*texts)(int));

    DeviceContext m_s;
};
