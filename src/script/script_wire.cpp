#include "script/script_wire.h"

#include <QtEndian>
#include <cstring>

namespace script_wire {

void AppendMessage(QByteArray *out, char type, const QByteArray &payload)
{
    char head[5];
    qToLittleEndian<quint32>(static_cast<quint32>(payload.size() + 1), head);
    head[4] = type;
    out->append(head, sizeof head);
    out->append(payload);
}

void PutInt(QByteArray *payload, qint32 value)
{
    char b[4];
    qToLittleEndian<qint32>(value, b);
    payload->append(b, sizeof b);
}

void PutText(QByteArray *payload, const QString &text)
{
    PutInt(payload, static_cast<qint32>(text.size()));
    payload->append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

int TakeMessage(QByteArray *buffer, char *type, QByteArray *payload)
{
    if (buffer->size() < 4)
        return 0;
    const quint32 length = qFromLittleEndian<quint32>(buffer->constData());
    if (length < 1 || length > kMaxMessageBytes)
        return -1;
    if (static_cast<quint64>(buffer->size()) < 4 + static_cast<quint64>(length))
        return 0;
    *type = buffer->at(4);
    *payload = buffer->mid(5, length - 1);
    buffer->remove(0, 4 + length);
    return 1;
}

bool Fields::integer(qint32 *out)
{
    m_ok = m_ok && m_p.size() - m_pos >= 4;
    if (!m_ok)
        return false;
    *out = qFromLittleEndian<qint32>(m_p.constData() + m_pos);
    m_pos += 4;
    return true;
}

bool Fields::byte(quint8 *out)
{
    m_ok = m_ok && m_p.size() - m_pos >= 1;
    if (!m_ok)
        return false;
    *out = static_cast<quint8>(m_p.at(m_pos++));
    return true;
}

bool Fields::text(QString *out)
{
    qint32 chars = 0;
    if (!integer(&chars))
        return false;
    m_ok = chars >= 0 && (m_p.size() - m_pos) / 2 >= chars;
    if (!m_ok)
        return false;
    out->resize(chars);
    std::memcpy(out->data(), m_p.constData() + m_pos, static_cast<size_t>(chars) * 2);
    m_pos += static_cast<qsizetype>(chars) * 2;
    return true;
}

} // namespace script_wire
