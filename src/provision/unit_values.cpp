#include "provision/unit_values.h"

#include "text/bounded_read.h"
#include "text/text_codec.h"

#include <QFile>
#include <QRegularExpression>

QString UniqueSpec::expand(qint64 value) const
{
    if (!counter)
        return prefix;
    return prefix + QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')) + suffix;
}

std::optional<UniqueSpec> ParseUniqueSpec(const QString &text, QString &error)
{
    const int eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        error = QStringLiteral("--unique \"%1\" is not NAME=TEMPLATE").arg(text);
        return std::nullopt;
    }
    UniqueSpec s;
    s.param = text.left(eq);
    const QString tmpl = text.mid(eq + 1);
    static const QRegularExpression seqRe(QStringLiteral("\\{seq:([^}]*)\\}"));
    const auto matches = seqRe.globalMatch(tmpl);
    QList<QRegularExpressionMatch> all;
    for (auto it = matches; it.hasNext();)
        all.append(it.next());
    if (all.size() > 1) {
        error = QStringLiteral("--unique \"%1\" holds more than one {seq:…}").arg(text);
        return std::nullopt;
    }
    if (all.isEmpty()) {
        if (tmpl.contains(QLatin1Char('{'))) {
            error = QStringLiteral("--unique \"%1\": the only placeholder is {seq:START}").arg(text);
            return std::nullopt;
        }
        // A fixed text is the same for every unit: that is what the golden profile is for.
        error = QStringLiteral("--unique \"%1\" gives every unit the same value: add {seq:START} or use --units FILE").arg(text);
        return std::nullopt;
    }
    const QRegularExpressionMatch m = all.first();
    const QString digits = m.captured(1);
    static const QRegularExpression numRe(QStringLiteral("^[0-9]{1,18}$"));
    if (!numRe.match(digits).hasMatch()) {
        error = QStringLiteral("--unique \"%1\": {seq:%2} needs a start number of up to 18 digits").arg(text, digits);
        return std::nullopt;
    }
    s.counter = true;
    s.start = digits.toLongLong();
    s.width = digits.size();
    s.prefix = tmpl.left(m.capturedStart());
    s.suffix = tmpl.mid(m.capturedEnd());
    return s;
}

QMap<QString, QString> UnitsFile::unit(int index) const
{
    QMap<QString, QString> m;
    if (index < 0 || index >= rows.size())
        return m;
    const QStringList &r = rows.at(index);
    for (int i = 0; i < params.size() && i < r.size(); ++i)
        if (!r.at(i).isEmpty())
            m.insert(params.at(i), r.at(i));
    return m;
}

namespace {
// One CSV record from `text` at `pos`; false on an unterminated quote.
bool takeRecord(const QString &text, int &pos, QStringList &cells)
{
    cells.clear();
    QString cell;
    bool quoted = false;
    while (pos < text.size()) {
        const QChar c = text.at(pos++);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (pos < text.size() && text.at(pos) == QLatin1Char('"')) {
                    cell += c;
                    ++pos;
                } else {
                    quoted = false;
                }
            } else {
                cell += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            cells << cell.trimmed();
            cell.clear();
        } else if (c == QLatin1Char('\n')) {
            break;
        } else if (c != QLatin1Char('\r')) {
            cell += c;
        }
    }
    if (quoted)
        return false;
    cells << cell.trimmed();
    return true;
}
} // namespace

std::optional<UnitsFile> ParseUnitsCsv(const QByteArray &data, QString &error)
{
    const QString text = DecodeText(data).text;
    UnitsFile f;
    int pos = 0;
    int line = 0;
    QStringList cells;
    while (pos < text.size()) {
        ++line;
        if (!takeRecord(text, pos, cells)) {
            error = QStringLiteral("line %1: a quoted value is not closed").arg(line);
            return std::nullopt;
        }
        if (cells.size() == 1 && cells.first().isEmpty())
            continue;   // blank line
        if (f.params.isEmpty()) {
            for (const QString &c : cells)
                if (c.isEmpty()) {
                    error = QStringLiteral("line %1: a column has no parameter name").arg(line);
                    return std::nullopt;
                }
            f.params = cells;
            continue;
        }
        if (cells.size() != f.params.size()) {
            error = QStringLiteral("line %1: %2 values for %3 columns").arg(line).arg(cells.size()).arg(f.params.size());
            return std::nullopt;
        }
        // A byte neither encoding knows would be written as a replacement character, read back
        // as one, and pass.
        for (int c = 0; c < cells.size(); ++c)
            if (cells.at(c).contains(QChar(QChar::ReplacementCharacter))) {
                error = QStringLiteral("line %1, column %2 (%3): the value is neither UTF-8 nor GB18030 text")
                            .arg(line).arg(c + 1).arg(f.params.at(c));
                return std::nullopt;
            }
        f.rows.append(cells);
        f.lines.append(line);
    }
    if (f.params.isEmpty()) {
        error = QStringLiteral("the file is empty: its first line must name the parameters");
        return std::nullopt;
    }
    return f;
}

std::optional<UnitsFile> ReadUnitsCsv(const QString &path, QString &error)
{
    // A units file of a million rows is some tens of megabytes; more is no units file.
    constexpr qint64 kMaxUnitsBytes = 256LL * 1024 * 1024;
    QByteArray bytes;
    QString why;
    const BoundedRead read = ReadFileBounded(path, kMaxUnitsBytes, &bytes, &why);
    if (read == BoundedRead::TooLarge) {
        error = QStringLiteral("%1 is larger than %2 MB, the most a units file may hold")
                    .arg(path, QString::number(kMaxUnitsBytes / (1024 * 1024)));
        return std::nullopt;
    }
    if (read == BoundedRead::Failed) {
        error = QStringLiteral("cannot read %1: %2").arg(path, why);
        return std::nullopt;
    }
    auto f = ParseUnitsCsv(bytes, error);
    if (!f)
        error = path + QStringLiteral(": ") + error;
    return f;
}

QString UniqueKey(const QMap<QString, QString> &values)
{
    QStringList parts;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        parts << it.key() + QLatin1Char('=') + it.value();
    return parts.join(QLatin1Char('\n'));
}

QMap<QString, QString> HeldFromKey(const QString &key)
{
    QMap<QString, QString> out;
    for (const QString &part : key.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq > 0)
            out.insert(part.left(eq), part.mid(eq + 1));
    }
    return out;
}
