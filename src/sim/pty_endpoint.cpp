#include "sim/pty_endpoint.h"
#include "sim/session.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QElapsedTimer>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int kRetryAfterEioMs = 50;
}

PtyEndpoint::PtyEndpoint(QObject *parent) : QObject(parent) {}

PtyEndpoint::~PtyEndpoint()
{
    close(true);
}

bool PtyEndpoint::open(const QString &linkPath, QString &error)
{
    char name[256] = {0};
    struct termios raw;
    std::memset(&raw, 0, sizeof raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        error = QStringLiteral("openpty failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Raw on the pair (the master shares the slave's settings), non-blocking master.
    tcsetattr(m_master, TCSANOW, &raw);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(name);
    m_wantedLink = linkPath;

    if (!linkPath.isEmpty()) {
        const QFileInfo info(linkPath);
        if (info.isSymLink() || info.exists())
            QFile::remove(linkPath);
        if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0) {
            error = QStringLiteral("cannot create link %1: %2").arg(linkPath, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        m_linkPath = linkPath;
    }

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyEndpoint::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyEndpoint::flush);
    m_active = true;
    return true;
}

void PtyEndpoint::attach(SimContext ctx)
{
    m_ctx = std::make_unique<SimContext>(ctx);
    delete m_session;   // a device that came back starts a new conversation
    m_session = new Session(
        ctx, [this](const QByteArray &b) { write(b); }, [this] { return static_cast<qint64>(m_pending.size()); }, false, this);
    connect(m_session, &Session::hangupDue, this, [this] { hangupWhenDrained(); });
    connect(m_session, &Session::vanishDue, this, [this] { vanish(m_ctx->options.vanishPauseMs); });
}

void PtyEndpoint::onReadable()
{
    if (!m_active)
        return;
    QByteArray got;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, static_cast<int>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO) {
            // No slave open right now: wait a little instead of spinning on the notifier.
            m_readNotifier->setEnabled(false);
            QTimer::singleShot(kRetryAfterEioMs, this, [this] {
                if (m_active)
                    m_readNotifier->setEnabled(true);
            });
        }
        break;
    }
    if (!got.isEmpty() && m_session) {
        m_session->startStream();   // the tool is there: the stream may flow
        m_session->receive(got);
    }
}

void PtyEndpoint::write(const QByteArray &bytes)
{
    if (!m_active)
        return;
    m_pending.append(bytes);
    flush();
}

void PtyEndpoint::flush()
{
    while (m_active && !m_pending.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pending.constData(), static_cast<size_t>(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, static_cast<int>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;   // full (EAGAIN) or no reader: try again when writable
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(m_active && !m_pending.isEmpty());
}

void PtyEndpoint::hangupWhenDrained(int graceMs)
{
    whenDrained(graceMs, [this] { hangup(); });
}

void PtyEndpoint::vanish(int pauseMs)
{
    whenDrained(2000, [this, pauseMs] {
        close(false);
        QTimer::singleShot(pauseMs, this, [this] {
            QString error;
            if (!open(m_wantedLink, error)) {
                std::fprintf(stderr, "dtusim: cannot come back: %s\n", error.toLocal8Bit().constData());
                emit hungUp();
                return;
            }
            if (m_ctx)
                attach(*m_ctx);
            emit returned(m_slavePath);
        });
    });
}

void PtyEndpoint::whenDrained(int graceMs, std::function<void()> then)
{
    if (!m_active || m_hangingUp)
        return;
    m_hangingUp = true;
    auto *poll = new QTimer(this);
    auto *clock = new QElapsedTimer;
    clock->start();
    connect(poll, &QTimer::timeout, this, [this, poll, clock, graceMs, then] {
        int unread = 0;
        if (m_active)
            ::ioctl(m_slave, FIONREAD, &unread);
        if (!m_active || (m_pending.isEmpty() && unread == 0) || clock->elapsed() > graceMs) {
            poll->stop();
            poll->deleteLater();
            delete clock;
            then();
        }
    });
    poll->start(10);
}

void PtyEndpoint::hangup()
{
    close(true);
}

void PtyEndpoint::close(bool final)
{
    if (!m_active)
        return;
    m_active = false;
    m_hangingUp = false;
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    ::close(m_master);
    ::close(m_slave);
    m_master = m_slave = -1;
    m_pending.clear();
    removeLink();
    if (final)
        emit hungUp();
    else
        emit vanished();
}

void PtyEndpoint::removeLink()
{
    if (m_linkPath.isEmpty())
        return;
    // Only our own link: another simulator may have replaced it meanwhile.
    if (QFileInfo(m_linkPath).symLinkTarget() == QFileInfo(m_slavePath).absoluteFilePath()
        || QFile::symLinkTarget(m_linkPath) == m_slavePath)
        QFile::remove(m_linkPath);
    m_linkPath.clear();
}
