#include "provision/port_scan.h"

#include "platform/input_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
// A serial port is a character device (or a link to one); log files beside it are not.
bool isCharDevice(const QString &path)
{
    return IsCharacterDevice(QFile::encodeName(path));
}
} // namespace

bool IsPortPattern(const QString &text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')) || text.contains(QLatin1Char('['));
}

QStringList ExpandPorts(const QStringList &patterns, bool keepMissing)
{
    QStringList out;
    for (const QString &p : patterns) {
        if (!IsPortPattern(p)) {
            if (keepMissing || QFileInfo::exists(p))
                out << p;
            continue;
        }
        const QFileInfo fi(p);
        const QDir dir = fi.dir();
        if (IsPortPattern(dir.path()))
            continue;   // only the last part may be a pattern
        // Device nodes and links to them are "system" entries to QDir; /dev/ttyUSB* is not /dev/ttyusb0.
        const QStringList names =
            dir.entryList({fi.fileName()}, QDir::Files | QDir::System | QDir::NoDotAndDotDot | QDir::CaseSensitive);
        for (const QString &n : names) {
            const QString path = dir.filePath(n);
            if (isCharDevice(path))
                out << path;
        }
    }
    out.removeDuplicates();
    out.sort();
    return out;
}

std::optional<QStringList> ReadTcpHosts(const QString &path, QString &error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    QStringList hosts;
    int line = 0;
    static const QRegularExpression hostRe(QStringLiteral("^[A-Za-z0-9._-]+(:[0-9]{1,5})?$"));
    while (!f.atEnd()) {
        ++line;
        const QString t = QString::fromUtf8(f.readLine()).trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char('#')))
            continue;
        if (!hostRe.match(t).hasMatch()) {
            error = QStringLiteral("%1 line %2: \"%3\" is not host[:port]").arg(path, QString::number(line), t);
            return std::nullopt;
        }
        hosts << t;
    }
    return hosts;
}
