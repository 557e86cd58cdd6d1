// The transparent page's handlers: sending the input box and its helpers.
#include "tools/transparent_page.h"

#include "widgets/dialogs.h"
#include "text/text_codec.h"
#include "text/hex.h"
#include "session/core_session.h"
#include "widgets/conversation_view.h"
#include "tools/key_filters.h"
#include "tools/send_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QLabel>
#include <QPushButton>

namespace {
struct TransparentPageTexts {
    Q_DECLARE_TR_FUNCTIONS(TransparentPageTexts)
};
} // namespace

void TransparentPage::connectHandlers()
{
    connect(m_sendButton, &QPushButton::clicked, this, &TransparentPage::sendInput);
    connect(m_hexCheck, &QCheckBox::clicked, this, &TransparentPage::toggleHexMode);
    connect(m_inputEdit, &QPlainTextEdit::textChanged, this, &TransparentPage::onInputChanged);
    connect(m_addHexCharButton, &QPushButton::clicked, this, &TransparentPage::appendHexChar);
    connect(m_clearCountersButton, &QPushButton::clicked, this, &TransparentPage::clearCounters);
    CharFilter::install(m_inputEdit, &CharFilter::HexDigitAnyCase, [this] { return hexMode(); });
    CharFilter::install(m_hexCharEdit, &CharFilter::HexDigitUpper);
}

bool TransparentPage::hexMode() const
{
    return m_hexCheck->isChecked();
}

void TransparentPage::sendInput()
{
    if (!m_session.link.IsDataChannelOpen()) {
        m_dialogs.information(this, DataLink::NoChannelMessage());
        return;
    }
    const QByteArray bytes = InputBytes(m_inputEdit->toPlainText(), hexMode(), true);
    if (bytes.isEmpty())
        return;
    // Raw bytes sent while a reply is awaited would land in that reply's frame; the guard
    // also keeps a second click from starting another loop inside this one.
    ExchangeEngine::Guard guard(m_session.engine);
    if (!guard.ok()) {
        m_session.engine.reportBusy();
        return;
    }
    const int repeats = m_repeatCombo->currentText().toInt();
    AppState &st = m_session.state;
    // Closing the window ends a long repeat, as it ends every wait.
    for (int i = 0; i < repeats && !st.CloseRequested; ++i) {
        QString error;
        if (!m_session.engine.SendLogged(bytes, &error)) {
            ErrorUnlessClosing(m_dialogs, st, this, error);
            return;
        }
        AddToCounter(st.SentBytes, bytes.size());
        QCoreApplication::processEvents();
    }
    m_conversationBox->appendLine(SentLine(bytes, hexMode(), QLatin1Char('[') + m_repeatCombo->currentText() +
                                                              TransparentPageTexts::tr("次]")));
    m_inputEdit->clear();
    m_hexMirrorBox->clear();
}

void TransparentPage::toggleHexMode()
{
    m_inputGroup->setTitle(hexMode() ? TransparentPageTexts::tr("文字输入窗口[HEX模式]") : TransparentPageTexts::tr("文字输入窗口(文本模式)"));
}

void TransparentPage::onInputChanged()
{
    m_hexMirrorBox->setPlainText(StrToHexText(GbkEncode(m_inputEdit->toPlainText())));
}

void TransparentPage::appendHexChar()
{
    const int code = HexToInt(m_hexCharEdit->text()) & 0xFF;
    m_inputEdit->moveCursor(QTextCursor::End);
    m_inputEdit->insertPlainText(QString(QChar(code)));
}

void TransparentPage::clearCounters()
{
    m_session.state.SentBytes = 0;
    m_session.state.ReceivedBytes = 0;
    m_counterLabel->setText(ReceivePoll::CounterText(0, 0));
}
