#pragma once
// The interface language: Chinese (the texts as written in the source) or English (the embedded
// catalogue). The choice is kept in the user's settings; a --lang on the command line wins over it.
#include <QString>
#include <optional>

enum class UiLanguage { Chinese, English };

// "zh" / "en" (case ignored); nothing for any other code.
std::optional<UiLanguage> LanguageFromCode(const QString &code);
QString LanguageCode(UiLanguage language);

// The language remembered in the user's settings; Chinese when none or an unknown one is stored.
UiLanguage StoredLanguage();
void StoreLanguage(UiLanguage language);

// The language to start in: `commandLineCode` when given, else the stored one. False with
// `error` for a code other than zh or en.
bool StartLanguage(const QString &commandLineCode, UiLanguage &out, QString &error);

// Makes every later translate()/tr() of this process answer in `language`. False when the
// English catalogue is missing from the binary (the texts then stay Chinese).
bool ApplyLanguage(UiLanguage language);
UiLanguage CurrentLanguage();

// Within its scope, the texts of this thread that go through TranslateHere() answer in `language`
// whatever the process's language: a server answers each request in the language it asked for.
class ThreadLanguage {
public:
    explicit ThreadLanguage(UiLanguage language);
    ~ThreadLanguage();
    ThreadLanguage(const ThreadLanguage &) = delete;
    ThreadLanguage &operator=(const ThreadLanguage &) = delete;

private:
    int m_previous;
};

// QCoreApplication::translate(), unless a ThreadLanguage holds on this thread.
QString TranslateHere(const char *context, const char *source);
