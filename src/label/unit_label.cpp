#include "label/unit_label.h"

#include "provision/unit_record.h"

#include <QFileInfo>
#include <QStringList>

QString LabelPayload(const UnitLabel &label)
{
    QStringList lines;
    for (const auto &value : label.values)
        lines << value.first + QLatin1Char('=') + value.second;
    return lines.join(QLatin1Char('\n'));
}

QString LabelFileBaseName(const UnitLabel &label)
{
    QStringList parts;
    for (const auto &value : label.values)
        parts << value.second;
    QString name = parts.join(QLatin1Char('_'));
    // Without values each unit still gets a file of its own, not one that every unit replaces.
    if (name.trimmed().isEmpty() && !label.unit.isEmpty())
        name = QStringLiteral("label-") + label.unit;
    // Separators, reserved characters and control codes would name another folder or no file.
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    if (name.size() > 120)
        name.truncate(120);
    if (name.isEmpty())
        name = QStringLiteral("label-") + label.date.toString(QStringLiteral("yyyy-MM-dd"));
    return name;
}

UnitLabel LabelFor(const UnitRecord &r)
{
    UnitLabel label;
    label.values = NamedUnitValues(r);
    label.version = r.version;
    const QDateTime started = r.started.isValid() ? r.started.toLocalTime() : QDateTime::currentDateTime();
    label.date = started.date();
    label.unit = started.toString(QStringLiteral("yyyy-MM-dd-HHmmss-zzz-")) + QFileInfo(r.port).fileName();
    return label;
}
