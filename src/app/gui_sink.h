#pragma once
// Where the window shows a running operation: panel 3 of the status bar, the main log m_log,
// message and error boxes through the dialogs seam, and the in-place editor of the tables.
#include "params/op_sink.h"

class CoreSession;
class Dialogs;
class ParamEditor;
class ParamView;
class QLabel;
class ConversationView;
class QWidget;
struct OpOutcome;

// Parameter operations report through OpSink while they run (texts must appear during the wait);
// device commands return an OpOutcome at the end, which applyOutcome shows through the same sink.
class GuiSink : public OpSink {
public:
    struct Targets {
        CoreSession &session;
        Dialogs &dialogs;
        QWidget *dialogParent;
        QLabel *resultPanel;
        ConversationView *log;
        ParamView *mainView;
        ParamView *extView;
        ParamEditor *editor;
    };
    explicit GuiSink(const Targets &targets);

    void setPanel(const QString &text) override;
    QString panel() const override;
    void logLine(const QString &line) override;
    void message(const QString &text) override;
    void error(const QString &text) override;
    // Batch write: the row just selected is brought into view.
    void rowSelected(int row) override;
    void hideEditors() override;
    void clearEditorText() override;

    // Shows the result of a device command: message or error box, panel 3, m_log and
    // state-log lines, in that order.
    void applyOutcome(const OpOutcome &outcome, ConversationView *stateLog = nullptr);

private:
    Targets m_t;
};
