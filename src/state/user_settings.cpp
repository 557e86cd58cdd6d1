#include "state/user_settings.h"

#include <QSettings>
#include <QStandardPaths>

namespace {
const char kAutoReconnect[] = "link/autoReconnect";
const char kFastReplies[] = "link/fastReplies";
const char kLogFolder[] = "log/folder";
const char kKeepDays[] = "log/keepDays";
const char kMaxBytes[] = "log/maxBytes";
} // namespace

UserSettings::UserSettings(const QString &iniPath)
    : m_store(iniPath.isEmpty() ? std::make_unique<QSettings>(QStringLiteral("dtu-config"), QStringLiteral("dtu-config"))
                                : std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

UserSettings::~UserSettings() = default;

QString UserSettings::DefaultLogFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::HomeLocation) + QStringLiteral("/.dtu-config");
    return base + QStringLiteral("/logs");
}

bool UserSettings::autoReconnect() const { return m_store->value(kAutoReconnect, true).toBool(); }
void UserSettings::setAutoReconnect(bool on) { m_store->setValue(kAutoReconnect, on); }
bool UserSettings::fastReplies() const { return m_store->value(kFastReplies, false).toBool(); }
void UserSettings::setFastReplies(bool on) { m_store->setValue(kFastReplies, on); }

QString UserSettings::logFolder() const
{
    const QString f = m_store->value(kLogFolder).toString();
    return f.isEmpty() ? DefaultLogFolder() : f;
}
void UserSettings::setLogFolder(const QString &path) { m_store->setValue(kLogFolder, path); }

int UserSettings::logKeepDays() const
{
    bool ok = false;
    const int d = m_store->value(kKeepDays, kDefaultKeepDays).toInt(&ok);
    return ok && d > 0 ? d : kDefaultKeepDays;
}
void UserSettings::setLogKeepDays(int days) { m_store->setValue(kKeepDays, days); }

qint64 UserSettings::logMaxBytes() const
{
    bool ok = false;
    const qint64 b = m_store->value(kMaxBytes, kDefaultMaxLogBytes).toLongLong(&ok);
    return ok && b > 0 ? b : kDefaultMaxLogBytes;
}
void UserSettings::setLogMaxBytes(qint64 bytes) { m_store->setValue(kMaxBytes, bytes); }
