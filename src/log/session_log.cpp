#include "log/session_log.h"

#include <QCoreApplication>

#include "log/log_files.h"
#include "platform/file_lock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {
// A writer that falls behind holds the callers back rather than growing without bound.
constexpr qint64 kMaxQueuedBytes = 32LL * 1024 * 1024;
constexpr qint64 kMinFileBytes = 1024LL * 1024;
constexpr qint64 kUnboundedFileBytes = 64LL * 1024 * 1024;

QByteArray escapedText(const QString &text)
{
    QByteArray u = text.toUtf8();
    if (u.contains('\n') || u.contains('\r'))
        u.replace('\r', "\\r").replace('\n', "\\n");
    return u;
}

qint64 entrySize(qsizetype bytes, qsizetype text)
{
    return bytes * 3 + text * 3 + 32;
}
} // namespace

// The open file, its day and part; lives on the writer thread only.
class SessionLog::Sink {
public:
    QFile file;
    QDate day;
    int part = 0;
    qint64 size = 0;         // of the open file, as far as we wrote it
    bool cutLine = false;    // the last write ended inside a line
    bool failing = false;    // failed() said, recovered() not yet
    qint64 lostLines = 0;
    QString failedPath;
    qint64 lastSecond = -1;
    QByteArray secondText;  // "yyyy-MM-dd HH:mm:ss" of lastSecond
};

SessionLog::SessionLog(QObject *parent) : QObject(parent) {}

SessionLog::~SessionLog()
{
    close();
}

qint64 SessionLog::DefaultClock()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString SessionLog::FileNameFor(const QDate &day)
{
    return logfiles::FileName(day);
}

void SessionLog::Prune(const QString &folder, const QDate &today, int keepDays, qint64 maxBytes, const QString &keep)
{
    logfiles::Prune(folder, today, keepDays, maxBytes, keep);
}

qint64 SessionLog::FileBytesFor(qint64 maxBytes)
{
    return maxBytes > 0 ? std::max(kMinFileBytes, maxBytes / 10) : kUnboundedFileBytes;
}

void SessionLog::openFolder(const QString &folder, int keepDays, qint64 maxBytes, qint64 fileBytes)
{
    close();
    m_folder = folder;
    m_fixedFile.clear();
    m_keepDays = std::max(1, keepDays);
    m_maxBytes = maxBytes;
    m_fileBytes = fileBytes > 0 ? fileBytes : FileBytesFor(maxBytes);
    startWriter();
}

void SessionLog::openFile(const QString &path)
{
    close();
    m_folder.clear();
    m_fixedFile = path;
    startWriter();
}

void SessionLog::startWriter()
{
    m_sink = new Sink;
    m_stop = false;
    m_open = true;
    m_thread = std::thread([this] { run(); });
}

void SessionLog::close()
{
    if (!m_open)
        return;
    stopWriter();
    m_open = false;
}

void SessionLog::stopWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    delete m_sink;
    m_sink = nullptr;
}

QString SessionLog::currentFile() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sink && m_sink->file.isOpen() ? m_sink->file.fileName() : QString();
}

void SessionLog::line(const QString &tag, const QString &text)
{
    if (!m_open)
        return;
    push(Entry{now(), 0, tag, text, {}});
}

void SessionLog::frame(bool outgoing, const QByteArray &bytes)
{
    if (!m_open || bytes.isEmpty())
        return;
    // The bytes are shared, not copied: the writer formats them.
    push(Entry{now(), outgoing ? 1 : 2, {}, {}, bytes});
}

void SessionLog::push(Entry &&e)
{
    const qint64 size = entrySize(e.bytes.size(), e.text.size());
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_drained.wait(lock, [this] { return m_queuedBytes < kMaxQueuedBytes || m_stop; });
        m_queuedBytes += size;
        m_queue.push_back(std::move(e));
    }
    m_wake.notify_one();
}

void SessionLog::sync()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_drained.wait(lock, [this] { return (m_queue.empty() && !m_writing) || !m_thread.joinable(); });
}

void SessionLog::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty()) {
            if (m_stop)
                break;
            continue;
        }
        Entry e = std::move(m_queue.front());
        m_queue.pop_front();
        m_writing = true;
        lock.unlock();
        write(e);
        lock.lock();
        m_writing = false;
        m_queuedBytes -= entrySize(e.bytes.size(), e.text.size());
        m_drained.notify_all();
    }
    if (m_sink->file.isOpen())
        m_sink->file.close();
}

void SessionLog::AppendHex(QByteArray &out, const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    const qsizetype start = out.size();
    out.resize(start + bytes.size() * 3);
    char *p = out.data() + start;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *p++ = digits[b >> 4];
        *p++ = digits[b & 0x0F];
        *p++ = ' ';
    }
}

void SessionLog::writeFailed(const QString &path, const QString &reason)
{
    Sink &s = *m_sink;
    ++s.lostLines;
    if (s.failing)
        return;
    s.failing = true;
    s.failedPath = path;
    QMetaObject::invokeMethod(this, [this, path, reason] { emit failed(FailedText(path, reason)); }, Qt::QueuedConnection);
}

void SessionLog::writeWorked()
{
    Sink &s = *m_sink;
    if (!s.failing)
        return;
    s.failing = false;
    const QString path = s.file.fileName();
    const qint64 lost = s.lostLines;
    s.lostLines = 0;
    QMetaObject::invokeMethod(this, [this, path, lost] { emit recovered(RecoveredText(path, lost)); }, Qt::QueuedConnection);
}

bool SessionLog::openPart(int number)
{
    Sink &s = *m_sink;
    QString path = m_fixedFile;
    if (path.isEmpty()) {
        QDir().mkpath(m_folder);
        path = QDir(m_folder).filePath(logfiles::FileName(s.day, number));
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);  // currentFile() reads the name
        if (s.file.isOpen())
            s.file.close();
        s.file.setFileName(path);
        s.part = number;
        s.cutLine = false;
        // A device (/dev/full, a pipe) given as the log file is written as it is: it has no end to
        // append at. In the log folder only a regular file is ours to write: a FIFO named like
        // today's file would hold the writer until some program reads it.
        const QFileInfo info(path);
        const bool device = info.exists() && !info.isFile();
        if (device && m_fixedFile.isEmpty()) {
            writeFailed(path, QCoreApplication::translate("LogTexts", "不是普通文件"));
            return false;
        }
        if (!s.file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | (device ? QIODevice::NotOpen : QIODevice::Append))) {
            writeFailed(path, s.file.errorString());
            return false;
        }
        s.size = device ? 0 : s.file.size();
        // Another window pruning the same folder leaves a file we hold alone.
        if (m_fixedFile.isEmpty())
            HoldSharedLock(s.file.handle());
    }
    if (m_fixedFile.isEmpty())
        logfiles::Prune(m_folder, s.day, m_keepDays, m_maxBytes, path);
    return true;
}

bool SessionLog::ensureFile(qint64 lineBytes, qint64 second, bool newSecond)
{
    Sink &s = *m_sink;
    if (!m_fixedFile.isEmpty())
        return s.file.isOpen() || openPart(0);
    const QDate day = QDateTime::fromSecsSinceEpoch(second).date();
    if (!s.file.isOpen() || day != s.day) {
        s.day = day;
        return openPart(logfiles::PartToWrite(m_folder, day, m_fileBytes));
    }
    if (s.size > 0 && s.size + lineBytes > m_fileBytes)
        return openPart(s.part + 1);
    // Once a second: a file (or folder) removed under us would swallow every line.
    if (newSecond && !QFileInfo::exists(s.file.fileName()))
        return openPart(s.part);
    return true;
}

void SessionLog::write(const Entry &e)
{
    Sink &s = *m_sink;
    const qint64 second = e.msecs / 1000 - (e.msecs % 1000 < 0 ? 1 : 0);
    const bool newSecond = second != s.lastSecond;
    if (newSecond) {
        s.lastSecond = second;
        s.secondText = QDateTime::fromMSecsSinceEpoch(e.msecs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
    }

    QByteArray out;
    out.reserve(34 + e.bytes.size() * 3 + e.text.size() * 3);
    out += s.secondText;
    out += '.';
    const int ms = static_cast<int>(e.msecs - second * 1000);
    out += char('0' + ms / 100);
    out += char('0' + ms / 10 % 10);
    out += char('0' + ms % 10);
    out += ' ';
    if (e.kind == 0) {
        out += e.tag.toUtf8();
        out += ' ';
        out += escapedText(e.text);
    } else {
        out += e.kind == 1 ? "TX " : "RX ";
        AppendHex(out, e.bytes);
    }
    out += '\n';
    if (!ensureFile(out.size(), second, newSecond))
        return;
    // A line cut short by a failed write is ended first, so two lines never run together.
    if (s.cutLine)
        out.prepend('\n');
    // Unbuffered: one write per line reaches the system at once, so a crash of the tool
    // loses nothing already written.
    const qint64 written = s.file.write(out);
    if (written == out.size()) {
        s.size += written;
        s.cutLine = false;
        writeWorked();
        return;
    }
    if (written > 0) {
        s.size += written;
        s.cutLine = out.at(written - 1) != '\n';
    }
    // A write cut short reports no error of its own: the system took what fitted, no more.
    writeFailed(s.file.fileName(), s.file.error() == QFileDevice::NoError
                                       ? QCoreApplication::translate("LogTexts", "磁盘已满或文件过大")
                                       : s.file.errorString());
    s.file.unsetError();
}
