#include "link/line_get.h"

#include "text/text_codec.h"
#include "text/hex.h"
#include "state/app_state.h"
#include "text/time_text.h"
#include <QCoreApplication>

namespace {
struct LinkTexts {
    Q_DECLARE_TR_FUNCTIONS(LinkTexts)
};
} // namespace

QString TLineGet::flush(bool hexMode)
{
    // A NUL would cut the shown text short: show it as 01h, count it as received.
    QByteArray display = m_buffer;
    display.replace('\0', '\x01');
    QString line = TimeText() + LinkTexts::tr(" 收到数据：");
    if (hexMode)
        line += QLatin1Char('{') + HexDump(m_buffer) + QLatin1Char('}');
    line += GbkDecode(display);
    // The counter wraps like the 32-bit counter it is, instead of overflowing.
    m_state.ReceivedBytes = static_cast<int32_t>(static_cast<uint32_t>(m_state.ReceivedBytes) +
                                                 static_cast<uint32_t>(m_buffer.size()));
    m_buffer.clear();
    return line;
}
