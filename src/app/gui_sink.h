#pragma once
// Where the window shows a running operation: panel 3 of the status bar, the main log Memo1,
// message and error boxes through the dialogs seam, and the in-place editor of the tables.
#include "params/op_sink.h"

class ParamEditor;
class QPlainTextEdit;
class TForm1;
struct OpOutcome;

class GuiSink : public OpSink {
public:
    GuiSink(TForm1 &form, ParamEditor *editor);

    void setPanel(const QString &text) override;
    QString panel() const override;
    void logLine(const QString &line) override;
    void message(const QString &text) override;
    void error(const QString &text) override;
    // Batch write: the row just selected is brought into view.
    void rowSelected(int row) override;
    void hideEditors() override;
    void clearEditorText() override;

    // Shows the result of a device command: message or error box, panel 3, Memo1 and
    // `memo4` lines, in that order.
    void applyOutcome(const OpOutcome &outcome, QPlainTextEdit *memo4 = nullptr);

private:
    TForm1 &m_form;
    ParamEditor *m_editor;
};
