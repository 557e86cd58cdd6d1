// The transparent page's handlers: sending the input box and its helpers.
#include "tools/transparent_page.h"

#include "widgets/dialogs.h"
#include "text/text_codec.h"
#include "text/hex.h"
#include "session/core_session.h"
#include "tools/batched_memo.h"
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

void TransparentPage::connectHandlers()
{
    connect(Button8, &QPushButton::clicked, this, &TransparentPage::Button8Click);
    connect(CheckBox2, &QCheckBox::clicked, this, &TransparentPage::CheckBox2Click);
    connect(Memo3, &QPlainTextEdit::textChanged, this, &TransparentPage::Memo3Change);
    connect(Button1, &QPushButton::clicked, this, &TransparentPage::Button1Click);
    connect(Button7, &QPushButton::clicked, this, &TransparentPage::Button7Click);
    CharFilter::install(Memo3, &CharFilter::HexDigitAnyCase, [this] { return hexMode(); });
    CharFilter::install(Edit3, &CharFilter::HexDigitUpper);
}

bool TransparentPage::hexMode() const
{
    return CheckBox2->isChecked();
}

void TransparentPage::Button8Click()
{
    if (!m_session.link.IsDataChannelOpen()) {
        m_dialogs.information(this, DataLink::NoChannelMessage());
        return;
    }
    const QByteArray bytes = InputBytes(Memo3->toPlainText(), hexMode(), true);
    if (bytes.isEmpty())
        return;
    // Raw bytes sent while a reply is awaited would land in that reply's frame; the guard
    // also keeps a second click from starting another loop inside this one.
    ExchangeEngine::Guard guard(m_session.engine);
    if (!guard.ok()) {
        m_dialogs.error(this, ExchangeEngine::BusyText());
        return;
    }
    const int repeats = ComboBox2->currentText().toInt();
    AppState &st = m_session.state;
    for (int i = 0; i < repeats; ++i) {
        QString error;
        if (!m_session.engine.SendLogged(bytes, &error)) {
            m_dialogs.error(this, error);
            return;
        }
        AddToCounter(st.SentBytes, bytes.size());
        QCoreApplication::processEvents();
    }
    m_conversation->appendLine(SentLine(bytes, hexMode(), QLatin1Char('[') + ComboBox2->currentText() +
                                                              QStringLiteral("次]")));
    Memo3->clear();
    Memo6->clear();
}

void TransparentPage::CheckBox2Click()
{
    GroupBox1->setTitle(hexMode() ? QStringLiteral("文字输入窗口[HEX模式]") : QStringLiteral("文字输入窗口(文本模式)"));
}

void TransparentPage::Memo3Change()
{
    Memo6->setPlainText(StrToHexText(GbkEncode(Memo3->toPlainText())));
}

void TransparentPage::Button1Click()
{
    const int code = HexToInt(Edit3->text()) & 0xFF;
    Memo3->moveCursor(QTextCursor::End);
    Memo3->insertPlainText(QString(QChar(code)));
}

void TransparentPage::Button7Click()
{
    m_session.state.SentBytes = 0;
    m_session.state.ReceivedBytes = 0;
    StatusBar2Panel0->setText(ReceivePoll::CounterText(0, 0));
}
