// The control page's socket and data handlers.
#include "tools/control_page.h"

#include "widgets/dialogs.h"
#include "text/text_codec.h"
#include "text/hex.h"
#include "session/core_session.h"
#include "tools/key_filters.h"
#include "tools/send_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

using namespace socketcmd;

void ControlPage::connectHandlers()
{
    connect(suiButton3, &QPushButton::clicked, this, &ControlPage::suiButton3Click);
    connect(suiButton4, &QPushButton::clicked, this, &ControlPage::suiButton4Click);
    connect(suiButton7, &QPushButton::clicked, this, &ControlPage::suiButton7Click);
    connect(suiButton8, &QPushButton::clicked, this, &ControlPage::suiButton8Click);
    connect(Button11, &QPushButton::clicked, this, &ControlPage::Button11Click);
    connect(Button13, &QPushButton::clicked, this, &ControlPage::Button13Click);
    connect(CheckBox3, &QCheckBox::clicked, this, &ControlPage::CheckBox3Click);
    connect(Memo5, &QPlainTextEdit::textChanged, this, &ControlPage::Memo50Change);
    connect(Button2, &QPushButton::clicked, this, &ControlPage::Button2Click);
    CharFilter::install(Memo5, &CharFilter::HexDigitAnyCase, [this] { return CheckBox3->isChecked(); });
    CharFilter::install(Edit4, &CharFilter::HexDigitUpper);
}

void ControlPage::socketCommand(SocketOp op)
{
    const std::optional<uint16_t> local = PortOf(MaskEdit1->text());
    const std::optional<uint16_t> remote = PortOf(MaskEdit2->text());
    // A port is checked, not cut to its low 16 bits: 65536 is not port 0.
    if (!local || (op == SocketOp::Create && !remote)) {
        m_dialogs.information(this, BadPortText());
        return;
    }
    const QByteArray payload =
        op == SocketOp::Create
            ? CreatePayload(static_cast<uint8_t>(ComboBox5->currentIndex()), *local, *remote, Edit2->text())
            : PortPayload(*local);

    ExchangeEngine::Guard guard(m_session.engine);
    if (!guard.ok()) {
        m_dialogs.error(this, ExchangeEngine::BusyText());
        return;
    }
    QString error;
    if (m_session.engine.SendFrame(WordOf(op), payload, &error) != rcOk) {
        m_dialogs.error(this, error);
        return;
    }
    const QString line = SocketResultText(op, m_session.engine.AwaitAck());
    if (!line.isEmpty())
        m_session.state.log(line);
}

bool ControlPage::sendDataOnce(const QByteArray &data)
{
    QString error;
    if (m_session.engine.SendFrame(kSend, SendPayload(data), &error) != rcOk) {
        m_dialogs.error(this, error);
        return false;
    }
    const QString text = SendResultText(m_session.engine.AwaitAck());
    if (!text.isEmpty())
        setResultText(text);
    m_session.state.log(resultText());
    return true;
}

void ControlPage::Button11Click()
{
    const QString text = Memo5->toPlainText();
    if (text.isEmpty())
        return;
    const bool hex = CheckBox3->isChecked();
    // Pairs from the start of the text: blanks are not removed here.
    const QByteArray data = InputBytes(text, hex, false);

    ExchangeEngine::Guard guard(m_session.engine);
    if (!guard.ok()) {
        m_dialogs.error(this, ExchangeEngine::BusyText());
        return;
    }
    AppState &st = m_session.state;
    const int repeats = ComboBox4->currentText().toInt();
    for (int i = 0; i < repeats && !st.CloseRequested; ++i) {
        if (!sendDataOnce(data))
            return;
        QCoreApplication::processEvents();
        // The pause keeps the window alive; the guard keeps other exchanges out meanwhile.
        QEventLoop loop;
        QTimer::singleShot(kRepeatPauseMs, &loop, &QEventLoop::quit);
        connect(&st, &AppState::closeRequested, &loop, &QEventLoop::quit);
        loop.exec();
        AddToCounter(st.SentBytes, data.size());
    }
    Memo4->appendPlainText(SentLine(data, hex, QLatin1Char('[') + ComboBox4->currentText() + QStringLiteral("次]")));
    Memo5->clear();
}

void ControlPage::Button13Click()
{
    ExchangeEngine::Guard guard(m_session.engine);
    if (!guard.ok()) {
        m_dialogs.error(this, ExchangeEngine::BusyText());
        return;
    }
    QString error;
    if (m_session.engine.SendFrame(kFetch, FetchPayload(), &error) != rcOk) {
        m_dialogs.error(this, error);
        return;
    }
    const FetchResult r =
        CheckFetchReply(m_session.engine.ReceiveReply(kFetchTimeoutMs, ExchangeEngine::ReplyKind::Framed));
    if (!r.ok) {
        setResultText(r.failText);
        m_session.state.log(r.failText);
        return;
    }
    if (r.content.size() <= 2)
        return;
    const int socket = static_cast<uint8_t>(r.content[0]) * 256 + static_cast<uint8_t>(r.content[1]);
    const QByteArray data = r.content.mid(2);
    Memo4->appendPlainText(QStringLiteral("从Socket[%1]收到数据:").arg(socket) + DisplayBytes(data));
    AddToCounter(m_session.state.ReceivedBytes, data.size());
}

void ControlPage::CheckBox3Click()
{
    GroupBox6->setTitle(CheckBox3->isChecked() ? QStringLiteral("文字输入窗口[HEX模式]")
                                               : QStringLiteral("文字输入窗口(文本模式)"));
}

void ControlPage::Memo50Change()
{
    Memo7->setPlainText(StrToHexText(GbkEncode(Memo5->toPlainText())));
}

void ControlPage::Button2Click()
{
    const int code = HexToInt(Edit4->text()) & 0xFF;
    Memo5->moveCursor(QTextCursor::End);
    Memo5->insertPlainText(QString(QChar(code)));
}
