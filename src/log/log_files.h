#pragma once
// The session log's own files in its folder: "dtu-config-yyyy-MM-dd.log" for the first part of
// a day, "dtu-config-yyyy-MM-dd.N.log" (N = 1, 2 ...) for the parts a day rolls over into.
// Only names that are exactly ours are ever counted or removed: the folder may hold the
// user's own files, some of them with names much like ours.
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

namespace logfiles {

struct Part {
    QDate day;
    int number = 0;   // 0: the day's first file
    QString path;
    qint64 size = 0;
    QDateTime modified;  // the file's own time: a name may say any date
};

QString FileName(const QDate &day, int number = 0);
// True, with the day and part number, only for a name FileName() gives.
bool Parse(const QString &fileName, QDate *day, int *number);
// Our files in `folder`, oldest first (by their own times, then day and part).
QList<Part> List(const QString &folder);
// The part of `day` to go on writing: the last one there is, or the next one when the last has
// reached `fileBytes` (0: no bound).
int PartToWrite(const QString &folder, const QDate &day, qint64 fileBytes);
// Removes our files last written more than `keepDays` days before `today`, then, oldest first,
// until our files together take at most `maxBytes` (0: no bound). `keep`, the file being
// written, always stays, and so does a file another writer holds (a second window's log).
void Prune(const QString &folder, const QDate &today, int keepDays, qint64 maxBytes, const QString &keep);

} // namespace logfiles
