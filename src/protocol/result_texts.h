#pragma once
// The texts each device operation shows for its result, one table per operation, shared by
// the window and the CLI. An empty text means "no text for this result".
#include <QString>

// Reset, panel 3 and the main log.
QString ResetResultText(int code);
// Device state read: the state-log line for a state value or a result code.
QString DeviceStateLine(int value);
// A state code the list above does not name (the window shows nothing for it; dtucfg the code).
QString UnnamedDeviceStateLine(int value);
QString StateWrongCommandText();
// Device state set, panel 3 and the main log.
QString StateSetResultText(int code);
// Signal strength read: the state-log line for a value or a result code.
QString SignalLine(int value);
QString SignalWrongCommandText();
// Firmware version read: the state-log lines.
QString VersionFailedText();
QString VersionLine(const QString &version);
// Device clock read, panel 3 and the state log.
QString ClockReadText(bool gotText);
// Device clock set: the state-log line before sending, then panel 3 by the result.
QString ClockSetLine(const QString &clockText);
QString ClockSetResultText(int code);
// Work-mode switch, panel 3 and the main log.
QString WorkModeResultText(int code);
// Factory defaults, panel 3 and the main log.
QString FactoryDefaultsResultText(int code);
