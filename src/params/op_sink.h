#pragma once
// Where a running operation shows its progress and results. The window writes to its
// status panel and logs; the CLI prints. Calls arrive in the order the user should see them.
//
// Why two shapes: parameter operations run many exchanges and must show texts while they wait
// ("[参数读取中，请稍候...]", the row being written), so they report through a sink as they go.
// A device command is one exchange whose texts are all known at its end, so it returns an
// OpOutcome (protocol/device_commands.h), which callers show through the same sink.
#include <QList>
#include <QString>
#include <QStringList>

class OpSink {
public:
    virtual ~OpSink() = default;
    // Operation-result panel (panel 3 of the main status bar).
    virtual void setPanel(const QString &text) = 0;
    virtual QString panel() const = 0;
    // The main log.
    virtual void logLine(const QString &line) = 0;
    // A message box (missing input, no data channel).
    virtual void message(const QString &text) = 0;
    // The application's error box (script error while building a frame, send failure).
    virtual void error(const QString &text) = 0;
    // A request turned down for now (another exchange is running): told in the panel and the
    // log, not in a box the user must dismiss.
    void refused(const QString &text)
    {
        setPanel(text);
        logLine(text);
    }
    // The selected row of the table being worked on changed (batch write walks the rows).
    virtual void rowSelected(int /*row*/) {}
    // A read starts: both in-place editors are hidden.
    virtual void hideEditors() {}
    // A write was answered with a garbled reply: the visible editor's text is emptied.
    virtual void clearEditorText() {}
};

// Records everything; used by the CLI and by tests.
class RecordingSink : public OpSink {
public:
    void setPanel(const QString &text) override { m_panel = text; panels.append(text); }
    QString panel() const override { return m_panel; }
    void logLine(const QString &line) override { log.append(line); }
    void message(const QString &text) override { messages.append(text); }
    void error(const QString &text) override { errors.append(text); }
    void rowSelected(int row) override { selections.append(row); }

    QStringList panels, log, messages, errors;
    QList<int> selections;

private:
    QString m_panel;
};
