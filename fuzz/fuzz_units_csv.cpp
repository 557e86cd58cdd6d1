// The units file: whatever the bytes, it is refused with a reason or read into rows that each
// have one value per column, no cell that failed to decode, and a file written back from them
// (every cell quoted, UTF-8) reads back into the same parameters and rows.
#include "fuzz_common.h"
#include "provision/unit_values.h"

#include <QStringList>

namespace {
QByteArray quoted(const QStringList &cells)
{
    QStringList out;
    for (QString cell : cells)
        out << QLatin1Char('"') + cell.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return out.join(QLatin1Char(',')).toUtf8();
}

bool validText(const QStringList &cells)
{
    for (const QString &cell : cells)
        if (!cell.isValidUtf16())
            return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString error;
    const auto file = ParseUnitsCsv(fuzz::raw(data, size), error);
    if (!file) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(!file->params.isEmpty());
    FUZZ_CHECK(file->rows.size() == file->lines.size());
    bool allValid = validText(file->params);
    for (int i = 0; i < file->rows.size(); ++i) {
        const QStringList &row = file->rows.at(i);
        FUZZ_CHECK(row.size() == file->params.size());
        FUZZ_CHECK(i == 0 || file->lines.at(i) > file->lines.at(i - 1));
        for (const QString &cell : row)
            FUZZ_CHECK(!cell.contains(QChar(QChar::ReplacementCharacter)));
        const QMap<QString, QString> unit = file->unit(i);
        for (auto it = unit.cbegin(); it != unit.cend(); ++it)
            FUZZ_CHECK(file->params.contains(it.key()) && !it.value().isEmpty());
        allValid = allValid && validText(row);
    }
    if (!allValid)
        return 0;   // a lone surrogate has no UTF-8 form to write back
    QByteArray again = "\xEF\xBB\xBF" + quoted(file->params) + "\r\n";
    for (const QStringList &row : file->rows)
        again += quoted(row) + "\r\n";
    const auto reread = ParseUnitsCsv(again, error);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(reread->params == file->params);
    FUZZ_CHECK(reread->rows == file->rows);
    return 0;
}
