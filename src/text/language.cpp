#include "text/language.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTranslator>

namespace {
const char kSettingsKey[] = "ui/language";

// Both programs share one settings file, so the window's choice also holds for dtucfg.
QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("dtu-config"),
                     QStringLiteral("dtu-config"));
}

UiLanguage g_current = UiLanguage::Chinese;
// -1: the process's language; else a UiLanguage.
thread_local int t_language = -1;

QTranslator &translator()
{
    static QTranslator instance;
    return instance;
}

// The English catalogue for threads that answer in English whatever the process speaks; loaded
// once, read only after that.
const QTranslator &englishCatalogue()
{
    static const QTranslator *instance = [] {
        auto *t = new QTranslator;
        if (!t->load(QStringLiteral(":/i18n/dtu-config_en.qm")))
            qWarning("the English catalogue is missing from the binary");
        return t;
    }();
    return *instance;
}
} // namespace

std::optional<UiLanguage> LanguageFromCode(const QString &code)
{
    const QString c = code.trimmed().toLower();
    if (c == QLatin1String("zh"))
        return UiLanguage::Chinese;
    if (c == QLatin1String("en"))
        return UiLanguage::English;
    return std::nullopt;
}

QString LanguageCode(UiLanguage language)
{
    return language == UiLanguage::English ? QStringLiteral("en") : QStringLiteral("zh");
}

UiLanguage StoredLanguage()
{
    const auto stored = LanguageFromCode(userSettings().value(QLatin1String(kSettingsKey)).toString());
    return stored.value_or(UiLanguage::Chinese);
}

void StoreLanguage(UiLanguage language)
{
    QSettings s = userSettings();
    s.setValue(QLatin1String(kSettingsKey), LanguageCode(language));
    s.sync();
}

bool StartLanguage(const QString &commandLineCode, UiLanguage &out, QString &error)
{
    if (commandLineCode.isEmpty()) {
        out = StoredLanguage();
        return true;
    }
    const auto language = LanguageFromCode(commandLineCode);
    if (!language) {
        error = QStringLiteral("--lang takes zh or en, not \"%1\"").arg(commandLineCode);
        return false;
    }
    out = *language;
    return true;
}

bool ApplyLanguage(UiLanguage language)
{
    QTranslator &t = translator();
    QCoreApplication::removeTranslator(&t);
    g_current = UiLanguage::Chinese;
    if (language == UiLanguage::Chinese)
        return true;
    if (!t.load(QStringLiteral(":/i18n/dtu-config_en.qm")) || !QCoreApplication::installTranslator(&t))
        return false;
    g_current = language;
    return true;
}

UiLanguage CurrentLanguage() { return g_current; }

ThreadLanguage::ThreadLanguage(UiLanguage language) : m_previous(t_language)
{
    if (language == UiLanguage::English)
        englishCatalogue();
    t_language = static_cast<int>(language);
}

ThreadLanguage::~ThreadLanguage() { t_language = m_previous; }

QString TranslateHere(const char *context, const char *source)
{
    if (t_language < 0)
        return QCoreApplication::translate(context, source);
    if (t_language == static_cast<int>(UiLanguage::English)) {
        const QString t = englishCatalogue().translate(context, source);
        if (!t.isEmpty())
            return t;
    }
    return QString::fromUtf8(source);
}
