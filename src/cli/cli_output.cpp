#include "cli/cli_output.h"

#include <QJsonDocument>
#include <cstdio>

namespace {
void writeTo(FILE *f, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f);
    std::fflush(f);
}
} // namespace

void CliOutput::line(const QString &text)
{
    if (!m_json)
        m_lines.append(text);
}

void CliOutput::set(const QString &key, const QJsonValue &value)
{
    if (m_json)
        m_doc.insert(key, value);
}

void CliOutput::note(const QString &text)
{
    writeTo(stderr, text + QLatin1Char('\n'));
}

int CliOutput::finish(int exitCode, const QString &errorText)
{
    if (m_json) {
        m_doc.insert(QStringLiteral("ok"), exitCode == 0);
        if (exitCode != 0) {
            m_doc.insert(QStringLiteral("exit"), exitCode);
            m_doc.insert(QStringLiteral("error"), errorText);
        }
        writeTo(stdout, QString::fromUtf8(QJsonDocument(m_doc).toJson(QJsonDocument::Indented)));
    } else if (!m_lines.isEmpty()) {
        writeTo(stdout, m_lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    }
    if (exitCode != 0 && !errorText.isEmpty())
        writeTo(stderr, QStringLiteral("dtucfg: ") + errorText + QLatin1Char('\n'));
    return exitCode;
}

int DisplayWidth(const QString &text)
{
    int w = 0;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        // East Asian wide ranges that occur in our texts: CJK, full-width forms, Hangul.
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                          (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                          (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6);
        w += wide ? 2 : 1;
    }
    return w;
}

QStringList FormatTable(const QList<QStringList> &rows)
{
    QList<int> widths;
    for (const QStringList &r : rows)
        for (int c = 0; c < r.size(); ++c) {
            if (widths.size() <= c)
                widths.append(0);
            widths[c] = qMax(widths[c], DisplayWidth(r.at(c)));
        }
    QStringList out;
    for (const QStringList &r : rows) {
        QString line;
        for (int c = 0; c < r.size(); ++c) {
            line += r.at(c);
            if (c + 1 < r.size())
                line += QString(widths[c] - DisplayWidth(r.at(c)) + 2, QLatin1Char(' '));
        }
        out.append(line);
    }
    return out;
}
