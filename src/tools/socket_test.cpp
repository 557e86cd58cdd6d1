// The control page's socket and data handlers.
#include "tools/control_page.h"
#include "widgets/conversation_view.h"

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

namespace {
struct ControlPageTexts {
    Q_DECLARE_TR_FUNCTIONS(ControlPageTexts)
};
} // namespace

using namespace socketcmd;

void ControlPage::connectHandlers()
{
    connect(m_createSocketButton, &QPushButton::clicked, this, &ControlPage::createSocket);
    connect(m_connectSocketButton, &QPushButton::clicked, this, &ControlPage::connectSocket);
    connect(m_disconnectSocketButton, &QPushButton::clicked, this, &ControlPage::disconnectSocket);
    connect(m_closeSocketButton, &QPushButton::clicked, this, &ControlPage::closeSocket);
    connect(m_socketSendButton, &QPushButton::clicked, this, &ControlPage::sendSocketData);
    connect(m_socketReceiveButton, &QPushButton::clicked, this, &ControlPage::fetchSocketData);
    connect(m_socketHexCheck, &QCheckBox::clicked, this, &ControlPage::toggleSocketHexMode);
    connect(m_socketPayloadEdit, &QPlainTextEdit::textChanged, this, &ControlPage::onPayloadChanged);
    connect(m_addSocketHexCharButton, &QPushButton::clicked, this, &ControlPage::appendSocketHexChar);
    CharFilter::install(m_socketPayloadEdit, &CharFilter::HexDigitAnyCase, [this] { return m_socketHexCheck->isChecked(); });
    CharFilter::install(m_socketHexCharEdit, &CharFilter::HexDigitUpper);
}

void ControlPage::socketCommand(SocketOp op)
{
    const std::optional<uint16_t> local = PortOf(m_localPortEdit->text());
    const std::optional<uint16_t> remote = PortOf(m_remotePortEdit->text());
    // A port is checked, not cut to its low 16 bits: 65536 is not port 0.
    if (!local || (op == SocketOp::Create && !remote)) {
        m_dialogs.information(this, BadPortText());
        return;
    }
    const QByteArray payload =
        op == SocketOp::Create
            ? CreatePayload(static_cast<uint8_t>(m_protocolCombo->currentIndex()), *local, *remote, m_remoteIpEdit->text())
            : PortPayload(*local);

    ExchangeEngine::Guard guard(m_session.engine);
    if (!guard.ok()) {
        m_session.engine.reportBusy();
        return;
    }
    QString error;
    if (m_session.engine.SendFrame(WordOf(op), payload, &error) != rcOk) {
        ErrorUnlessClosing(m_dialogs, m_session.state, this, error);
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
        ErrorUnlessClosing(m_dialogs, m_session.state, this, error);
        return false;
    }
    const QString text = SendResultText(m_session.engine.AwaitAck());
    if (!text.isEmpty())
        setResultText(text);
    m_session.state.log(resultText());
    return true;
}

void ControlPage::sendSocketData()
{
    const QString text = m_socketPayloadEdit->toPlainText();
    if (text.isEmpty())
        return;
    const bool hex = m_socketHexCheck->isChecked();
    // Pairs from the start of the text: blanks are not removed here.
    const QByteArray data = InputBytes(text, hex, false);

    ExchangeEngine::Guard guard(m_session.engine);
    if (!guard.ok()) {
        m_session.engine.reportBusy();
        return;
    }
    AppState &st = m_session.state;
    const int repeats = m_socketRepeatCombo->currentText().toInt();
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
    m_stateLog->appendPlainText(SentLine(data, hex, QLatin1Char('[') + m_socketRepeatCombo->currentText() + ControlPageTexts::tr("次]")));
    m_socketPayloadEdit->clear();
}

void ControlPage::fetchSocketData()
{
    ExchangeEngine::Guard guard(m_session.engine);
    if (!guard.ok()) {
        m_session.engine.reportBusy();
        return;
    }
    QString error;
    if (m_session.engine.SendFrame(kFetch, FetchPayload(), &error) != rcOk) {
        ErrorUnlessClosing(m_dialogs, m_session.state, this, error);
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
    m_stateLog->appendPlainText(ControlPageTexts::tr("从Socket[%1]收到数据:").arg(socket) + DisplayBytes(data));
    AddToCounter(m_session.state.ReceivedBytes, data.size());
}

void ControlPage::toggleSocketHexMode()
{
    m_dataGroup->setTitle(m_socketHexCheck->isChecked() ? ControlPageTexts::tr("文字输入窗口[HEX模式]")
                                               : ControlPageTexts::tr("文字输入窗口(文本模式)"));
}

void ControlPage::onPayloadChanged()
{
    m_socketLog->setPlainText(StrToHexText(GbkEncode(m_socketPayloadEdit->toPlainText())));
}

void ControlPage::appendSocketHexChar()
{
    const int code = HexToInt(m_socketHexCharEdit->text()) & 0xFF;
    m_socketPayloadEdit->moveCursor(QTextCursor::End);
    m_socketPayloadEdit->insertPlainText(QString(QChar(code)));
}
