#include "log/session_log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {
// A writer that falls behind holds the callers back rather than growing without bound.
constexpr qint64 kMaxQueuedBytes = 32LL * 1024 * 1024;
const QString kPrefix = QStringLiteral("dtu-config-");
const QString kSuffix = QStringLiteral(".log");

QByteArray escapedText(const QString &text)
{
    QByteArray u = text.toUtf8();
    if (u.contains('\n') || u.contains('\r'))
        u.replace('\r', "\\r").replace('\n', "\\n");
    return u;
}
} // namespace

// The open file and its day; lives on the writer thread only.
class SessionLog::Sink {
public:
    QFile file;
    QDate day;
    QString failedPath;
    qint64 lastSecond = -1;
    QByteArray secondText;  // "yyyy-MM-dd HH:mm:ss" of lastSecond
};

SessionLog::SessionLog(QObject *parent) : QObject(parent) {}

SessionLog::~SessionLog()
{
    close();
}

QString SessionLog::FileNameFor(const QDate &day)
{
    return kPrefix + day.toString(QStringLiteral("yyyy-MM-dd")) + kSuffix;
}

void SessionLog::openFolder(const QString &folder, int keepDays, qint64 maxBytes)
{
    close();
    m_folder = folder;
    m_fixedFile.clear();
    m_keepDays = std::max(1, keepDays);
    m_maxBytes = maxBytes;
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
    push(Entry{QDateTime::currentMSecsSinceEpoch(), 0, tag, text, {}});
}

void SessionLog::frame(bool outgoing, const QByteArray &bytes)
{
    if (!m_open || bytes.isEmpty())
        return;
    // The bytes are shared, not copied: the writer formats them.
    push(Entry{QDateTime::currentMSecsSinceEpoch(), outgoing ? 1 : 2, {}, {}, bytes});
}

void SessionLog::push(Entry &&e)
{
    const qint64 size = e.bytes.size() * 3 + e.text.size() * 3 + 32;
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
        m_queuedBytes -= e.bytes.size() * 3 + e.text.size() * 3 + 32;
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

void SessionLog::write(const Entry &e)
{
    Sink &s = *m_sink;
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(e.msecs);
    const qint64 second = e.msecs / 1000;
    if (second != s.lastSecond) {
        s.lastSecond = second;
        s.secondText = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
    }
    // The day's file (or the one fixed file), opened on first use and at midnight.
    const QDate day = when.date();
    if (!s.file.isOpen() || (m_fixedFile.isEmpty() && day != s.day)) {
        QString path = m_fixedFile;
        if (path.isEmpty()) {
            QDir().mkpath(m_folder);
            path = QDir(m_folder).filePath(FileNameFor(day));
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);  // currentFile() reads the name
            if (s.file.isOpen())
                s.file.close();
            s.file.setFileName(path);
            s.day = day;
            if (!s.file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
                if (s.failedPath != path) {
                    s.failedPath = path;
                    const QString why = QStringLiteral("日志文件无法写入：%1（%2）").arg(path, s.file.errorString());
                    QMetaObject::invokeMethod(this, [this, why] { emit failed(why); }, Qt::QueuedConnection);
                }
                return;
            }
        }
        if (m_fixedFile.isEmpty())
            Prune(m_folder, day, m_keepDays, m_maxBytes, path);
    }

    QByteArray out;
    out.reserve(32 + e.bytes.size() * 3 + e.text.size() * 3);
    out += s.secondText;
    out += '.';
    const int ms = static_cast<int>(e.msecs % 1000);
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
    // Unbuffered: one write per line reaches the system at once, so a crash of the tool
    // loses nothing already written.
    s.file.write(out);
}

void SessionLog::Prune(const QString &folder, const QDate &today, int keepDays, qint64 maxBytes, const QString &keep)
{
    QDir dir(folder);
    QFileInfoList files = dir.entryInfoList({kPrefix + QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Name);
    const QDate oldest = today.addDays(-(keepDays - 1));
    const QString keepPath = QFileInfo(keep).absoluteFilePath();
    QFileInfoList left;
    for (const QFileInfo &f : files) {
        if (f.absoluteFilePath() == keepPath) {
            left.append(f);
            continue;
        }
        const QString datePart = f.fileName().mid(kPrefix.size(), 10);
        const QDate d = QDate::fromString(datePart, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid() && d < oldest)
            QFile::remove(f.absoluteFilePath());
        else
            left.append(f);
    }
    if (maxBytes <= 0)
        return;
    qint64 total = 0;
    for (const QFileInfo &f : left)
        total += f.size();
    // Names sort by date: the oldest go first.
    for (const QFileInfo &f : left) {
        if (total <= maxBytes)
            break;
        if (f.absoluteFilePath() == keepPath)
            continue;
        if (QFile::remove(f.absoluteFilePath()))
            total -= f.size();
    }
}
