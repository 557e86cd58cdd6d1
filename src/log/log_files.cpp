#include "log/log_files.h"

#include "platform/file_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace logfiles {
namespace {
const QString kPrefix = QStringLiteral("dtu-config-");
const QString kSuffix = QStringLiteral(".log");
constexpr int kDateLength = 10;  // yyyy-MM-dd
constexpr int kMaxPart = 99999;
} // namespace

QString FileName(const QDate &day, int number)
{
    const QString date = day.toString(QStringLiteral("yyyy-MM-dd"));
    return number > 0 ? kPrefix + date + QLatin1Char('.') + QString::number(number) + kSuffix : kPrefix + date + kSuffix;
}

bool Parse(const QString &fileName, QDate *day, int *number)
{
    if (!fileName.startsWith(kPrefix) || !fileName.endsWith(kSuffix))
        return false;
    const QString middle = fileName.mid(kPrefix.size(), fileName.size() - kPrefix.size() - kSuffix.size());
    const QDate d = QDate::fromString(middle.left(kDateLength), QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        return false;
    int n = 0;
    if (middle.size() > kDateLength) {
        if (middle.at(kDateLength) != QLatin1Char('.'))
            return false;
        bool ok = false;
        n = middle.mid(kDateLength + 1).toInt(&ok);
        if (!ok || n < 1 || n > kMaxPart)
            return false;
    }
    // Exactly the name we would give it: no leading zeros, signs or blanks.
    if (FileName(d, n) != fileName)
        return false;
    *day = d;
    *number = n;
    return true;
}

QList<Part> List(const QString &folder)
{
    QList<Part> out;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files);
    for (const QFileInfo &f : files) {
        Part p;
        if (!Parse(f.fileName(), &p.day, &p.number))
            continue;
        p.path = f.absoluteFilePath();
        p.size = f.size();
        p.modified = f.lastModified();
        out.append(p);
    }
    std::sort(out.begin(), out.end(), [](const Part &a, const Part &b) {
        if (a.modified != b.modified)
            return a.modified < b.modified;
        return a.day != b.day ? a.day < b.day : a.number < b.number;
    });
    return out;
}

int PartToWrite(const QString &folder, const QDate &day, qint64 fileBytes)
{
    int last = -1;
    qint64 lastSize = 0;
    for (const Part &p : List(folder)) {
        if (p.day == day && p.number > last) {
            last = p.number;
            lastSize = p.size;
        }
    }
    if (last < 0)
        return 0;
    return fileBytes > 0 && lastSize >= fileBytes && last < kMaxPart ? last + 1 : last;
}

void Prune(const QString &folder, const QDate &today, int keepDays, qint64 maxBytes, const QString &keep)
{
    const QDateTime oldest(today.addDays(-(std::max(1, keepDays) - 1)), QTime(0, 0));
    const QString keepPath = QFileInfo(keep).absoluteFilePath();
    const auto removable = [&](const Part &p) { return p.path != keepPath && !LockedByAWriter(p.path); };
    QList<Part> left;
    for (const Part &p : List(folder)) {
        if (p.modified < oldest && removable(p) && QFile::remove(p.path))
            continue;
        left.append(p);
    }
    if (maxBytes <= 0)
        return;
    qint64 total = 0;
    for (const Part &p : left)
        total += p.size;
    for (const Part &p : left) {
        if (total <= maxBytes)
            break;
        if (removable(p) && QFile::remove(p.path))
            total -= p.size;
    }
}

} // namespace logfiles
