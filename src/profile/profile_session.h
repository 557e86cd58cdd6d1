#pragma once
// The loaded device profile: its tree (member order kept), its encoding and line count,
// loading into the tables, write-back and save-as. Widget-free: the window applies
// `ProfileSettings` to its controls.
#include "text/json_text.h"
#include "text/text_codec.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <nlohmann/json.hpp>
#include <optional>

class AppState;
class ScriptHost;
class ParamTable;
class ButtonTable;

struct ProfileSettings {
    QString title;        // empty: caption unchanged
    QString comport;      // empty: the port box unchanged
    QString baudrate;     // empty: the rate list unchanged
    QString comOption;    // empty: the format list unchanged
    QString tcpConfigIp;  // copied to the device IP box in every case; group shown when not empty
    QString exParamFile;  // not empty: extended tab shown
};

struct ProfileLoadResult {
    bool ok = false;            // false: the file could not be read or is not a JSON object
    QString error;              // why, for the menu load's error box
    QStringList entryErrors;    // one line per entry that failed (row kept, shown value empty)
    ProfileSettings settings;   // valid when ok
    bool extOk = true;          // false when ExParamFile is named but could not be loaded
    QString extError;

    // How a failed extended file is reported: in a menu load's error box, and as a log line.
    QString extFailureText() const { return QCoreApplication::translate("ProfileTexts", "扩展参数文件调入失败：") + extError; }
};

// A profile or extended file larger than this, or with more entries in its Params or Buttons
// list, is refused with an error before anything loaded is touched. Real profiles hold a few
// hundred rows in tens of kilobytes; the codes are four hex digits, so 65 536 rows is all a
// device can address.
constexpr qint64 kMaxProfileBytes = 16 * 1024 * 1024;
constexpr int kMaxProfileEntries = 65536;

class ProfileSession {
public:
    ProfileSession(AppState &state, ScriptHost &script, ParamTable &mainTable, ParamTable &extTable,
                   ButtonTable &buttons);

    // Loads a main profile: clears and fills the main table, the extended table (when named),
    // the command buttons; sets MainParamChannel, ParamChannel and ExtTabVisible.
    ProfileLoadResult LoadProfile(const QString &path);
    // A relative ExParamFile is looked up in the current folder first, then beside the profile
    // (the window's rule); with `besideProfile` only beside the profile (a station's golden,
    // whose namesake in the folder the station was started from must never be written).
    void setExtBesideProfile(bool besideProfile) { m_extBesideProfile = besideProfile; }

    bool isLoaded() const { return m_root.has_value(); }
    QString path() const { return m_path; }
    int lineCount() const { return m_lineCount; }
    TextEncoding encoding() const { return m_encoding; }
    const nlohmann::ordered_json *root() const { return m_root ? &*m_root : nullptr; }
    const nlohmann::ordered_json *extRoot() const { return m_extRoot ? &*m_extRoot : nullptr; }
    // The extended file actually read by the last load (empty when none).
    QString extPath() const { return m_extPath; }

    // ProfileRoot[key] := text (Comport, Baudrate, ComOption after a port open).
    bool SetTopLevelText(const QString &key, const QString &value);
    // Writes ProfileRoot over the current profile file, atomically, in its original encoding.
    bool WriteBackProfile(QString *error = nullptr);
    // Copies the main table's stored values into ProfileRoot's entries (save-as step 1).
    void StoreTableValues();
    // The profile as indented JSON text in its encoding, non-ASCII unescaped.
    QByteArray Serialize() const;
    // Save-as: StoreTableValues, then writes to `path` atomically.
    bool SaveProfileAs(const QString &path, QString *error = nullptr);

private:
    // Fills the extended table from an extended parameter file (only its Params are read).
    bool LoadExtParamFile(const QString &path, QStringList *entryErrors, QString *error);
    // Adds the rows of a Params list to `table`; one error line per failed entry.
    void addParamRows(const nlohmann::ordered_json &params, ParamTable &table, const QString &label,
                      QStringList *entryErrors);
    QString resolveExtPath(const QString &exParamFile) const;

    AppState &m_state;
    ScriptHost &m_script;
    ParamTable &m_main;
    ParamTable &m_ext;
    ButtonTable &m_buttons;
    std::optional<nlohmann::ordered_json> m_root;
    std::optional<nlohmann::ordered_json> m_extRoot;
    QString m_path;
    QString m_extPath;
    bool m_extBesideProfile = false;
    int m_lineCount = 0;
    TextEncoding m_encoding = TextEncoding::Gbk;
};

// "lastfile.log" in the working directory: the path of the last profile opened from the menu.
bool WriteLastFile(const QString &profilePath, QString *error = nullptr);
QString ReadLastFile();

// Writes bytes to a file through a temporary file and a rename; in a folder where no temporary
// file can be made, writes the file in place.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error);
