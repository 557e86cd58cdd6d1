#include "profile/profile_session.h"

#include "params/param_table.h"
#include "profile/button_table.h"
#include "text/bounded_read.h"
#include "text/json_text.h"
#include "profile/param_row_loader.h"
#include "script/script_host.h"
#include "state/app_state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QCoreApplication>

namespace {
struct ProfileTexts {
    Q_DECLARE_TR_FUNCTIONS(ProfileTexts)
};
} // namespace

using nlohmann::ordered_json;

namespace {
// Lines as a text box counts them: a final line break does not start another line.
int countLines(const QString &text)
{
    if (text.isEmpty())
        return 0;
    int lines = 1;
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        if ((c == QLatin1Char('\n') || c == QLatin1Char('\r')) && i + 1 < n)
            ++lines;
    }
    return lines;
}

struct ReadJson {
    std::optional<ordered_json> root;
    DecodedText decoded;
};

// Reads, decodes and parses a profile-form file that must hold one JSON object.
ReadJson readJsonObjectFile(const QString &path, QString *error)
{
    ReadJson out;
    QFile f(path);
    QString openError;
    if (!OpenForBoundedRead(f, &openError)) {
        *error = ProfileTexts::tr("无法读取文件 %1：%2").arg(QDir::toNativeSeparators(path), openError);
        return out;
    }
    // Read with a bound, not after a size check: a pipe or FIFO has no size until it is read,
    // and a huge file would stall the window and take its size many times over.
    QByteArray bytes;
    const BoundedRead read = ReadBounded(f, kMaxProfileBytes, &bytes);
    if (read != BoundedRead::Ok) {
        const QString where = QDir::toNativeSeparators(path);
        const QString limit = QString::number(kMaxProfileBytes / (1024 * 1024));
        if (read == BoundedRead::TooLarge && !f.isSequential()) {
            // Rounded up: a file of 16.5 MB is not "16 MB".
            const qint64 mb = (f.size() + 1024 * 1024 - 1) / (1024 * 1024);
            *error = QCoreApplication::translate("ProfileTexts", "文件 %1 过大（%2 MB），配置文件不能超过 %3 MB")
                         .arg(where, QString::number(mb), limit);
        } else if (read == BoundedRead::TooLarge) {
            *error = QCoreApplication::translate("ProfileTexts", "文件 %1 过大，配置文件不能超过 %2 MB").arg(where, limit);
        } else {
            *error = ProfileTexts::tr("无法读取文件 %1：%2").arg(where, f.errorString());
        }
        return out;
    }
    out.decoded = DecodeText(bytes);
    QString why;
    auto root = ParseLenientJson(out.decoded.text, &why);
    if (!root) {
        // The parser quotes what it read last, which may be megabytes of one string.
        *error = ProfileTexts::tr("文件 %1 不是有效的 JSON：%2").arg(QDir::toNativeSeparators(path), ShortenedMessage(why));
        return out;
    }
    if (!root->is_object()) {
        *error = ProfileTexts::tr("文件 %1 的内容不是 JSON 对象").arg(QDir::toNativeSeparators(path));
        return out;
    }
    for (const char *key : {"Params", "Buttons"}) {
        const auto it = root->find(key);
        if (it != root->end() && JsonIndexBound(*it) > kMaxProfileEntries) {
            *error = QCoreApplication::translate("ProfileTexts", "文件 %1 的 %2 有 %3 项，超过上限 %4 项")
                         .arg(QDir::toNativeSeparators(path), QLatin1String(key),
                              QString::number(JsonIndexBound(*it)), QString::number(kMaxProfileEntries));
            return out;
        }
    }
    out.root = std::move(root);
    return out;
}

const ordered_json *member(const ordered_json &obj, const char *key)
{
    const auto it = obj.find(key);
    return it == obj.end() ? nullptr : &*it;
}
} // namespace

ProfileSession::ProfileSession(AppState &state, ScriptHost &script, ParamTable &mainTable, ParamTable &extTable,
                               ButtonTable &buttons)
    : m_state(state), m_script(script), m_main(mainTable), m_ext(extTable), m_buttons(buttons)
{
}

void ProfileSession::addParamRows(const ordered_json &params, ParamTable &table, const QString &label,
                                  QStringList *entryErrors)
{
    // Every index present, in order: the file's line count says nothing about its entries.
    QVector<ParamRow> rows;
    QStringList errors;
    QVector<int> index;
    for (const auto &[i, entry] : JsonIndexedEntries(params)) {
        index.append(static_cast<int>(i));
        if (entry->is_object()) {
            rows.append(ParamRowFromEntry(*entry));
            errors.append(QString());
        } else {
            // Kept as an empty row so later rows keep their positions.
            rows.append(ParamRow());
            errors.append(ProfileTexts::tr("不是 JSON 对象"));
        }
    }
    const QStringList loadErrors = AddParamRows(m_script, table, rows);
    for (int k = 0; k < rows.size(); ++k) {
        const QString error = errors[k].isEmpty() ? loadErrors.value(k) : errors[k];
        if (error.isEmpty())
            continue;
        const ParamRow &row = rows[k];
        const QString which = row.cmdId.isEmpty() ? QStringLiteral("%1 %2").arg(label).arg(index[k])
                                                  : QStringLiteral("%1 %2 (%3)").arg(label).arg(index[k]).arg(row.cmdId);
        entryErrors->append(ProfileTexts::tr("%1 载入失败：%2").arg(which, error));
    }
}

QString ProfileSession::resolveExtPath(const QString &exParamFile) const
{
    const QFileInfo asWritten(exParamFile);
    if (asWritten.isAbsolute())
        return exParamFile;
    if (m_extBesideProfile)
        return QFileInfo(m_path).absoluteDir().filePath(exParamFile);
    if (asWritten.exists())
        return exParamFile;
    // Not in the working directory: a file beside the profile is the likely meaning.
    const QString besideProfile = QFileInfo(m_path).absoluteDir().filePath(exParamFile);
    return QFileInfo::exists(besideProfile) ? besideProfile : exParamFile;
}

bool ProfileSession::LoadExtParamFile(const QString &path, QStringList *entryErrors, QString *error)
{
    ReadJson read = readJsonObjectFile(path, error);
    if (!read.root)
        return false;
    m_extRoot = std::move(read.root);
    m_extPath = path;
    m_ext.clear();
    if (const ordered_json *params = member(*m_extRoot, "Params"))
        addParamRows(*params, m_ext, ProfileTexts::tr("扩展参数项"), entryErrors);
    return true;
}

ProfileLoadResult ProfileSession::LoadProfile(const QString &path)
{
    ProfileLoadResult result;
    ReadJson read = readJsonObjectFile(path, &result.error);
    if (!read.root)
        return result;  // nothing changes: the previous profile and its rows stay

    m_root = std::move(read.root);
    m_encoding = read.decoded.encoding;
    m_lineCount = countLines(read.decoded.text);
    m_path = path;
    const ordered_json &root = *m_root;

    ProfileSettings &s = result.settings;
    s.title = JsonMemberText(root, "Title");
    s.exParamFile = JsonMemberText(root, "ExParamFile");
    s.comport = JsonMemberText(root, "Comport");
    s.baudrate = JsonMemberText(root, "Baudrate");
    s.comOption = JsonMemberText(root, "ComOption");
    s.tcpConfigIp = JsonMemberText(root, "TcpConfigIP");
    m_state.MainParamChannel = s.exParamFile.isEmpty() ? 1 : JsonMemberInt(root, "ExParamChannel");

    // A repeated load starts from empty tables and an empty command list.
    m_main.clear();
    m_ext.clear();
    m_buttons.clear();
    m_extRoot.reset();
    m_extPath.clear();

    if (const ordered_json *params = member(root, "Params")) {
        if (params->is_array() || params->is_object())
            addParamRows(*params, m_main, ProfileTexts::tr("参数项"), &result.entryErrors);
        else
            result.entryErrors.append(ProfileTexts::tr("Params 不是数组，未载入任何参数"));
    }

    if (const ordered_json *buttons = member(root, "Buttons")) {
        for (const auto &[i, b] : JsonIndexedEntries(*buttons)) {
            if (!b->is_object()) {
                result.entryErrors.append(ProfileTexts::tr("命令项 %1 载入失败：不是 JSON 对象").arg(i));
                continue;
            }
            m_buttons.addRow({JsonMemberText(*b, "BNAME"), JsonMemberText(*b, "ONCLICK"), JsonMemberText(*b, "ONREPLY")});
        }
    }

    m_state.ParamChannel = m_state.MainParamChannel;
    m_state.ExtTabVisible = !s.exParamFile.isEmpty();
    if (!s.exParamFile.isEmpty()) {
        QString extError;
        result.extOk = LoadExtParamFile(resolveExtPath(s.exParamFile), &result.entryErrors, &extError);
        result.extError = extError;
    }
    result.ok = true;
    return result;
}

bool ProfileSession::SetTopLevelText(const QString &key, const QString &value)
{
    if (!m_root)
        return false;
    (*m_root)[key.toStdString()] = value.toStdString();
    return true;
}

void ProfileSession::StoreTableValues()
{
    if (!m_root)
        return;
    auto it = m_root->find("Params");
    if (it == m_root->end())
        return;
    ordered_json &params = *it;
    for (const auto &[i, found] : JsonIndexedEntries(params)) {
        if (!found->is_object())
            continue;
        ordered_json &entry = const_cast<ordered_json &>(*found);
        const QString code = JsonMemberText(entry, "CMDID");
        if (code.isEmpty())
            continue;
        const int row = m_main.findByCode(code, true);
        if (row < 0)
            continue;
        entry["PVALUE"] = m_main.row(row).stored.toStdString();
    }
}

QByteArray ProfileSession::Serialize() const
{
    if (!m_root)
        return QByteArray();
    const std::string text = m_root->dump(2, ' ', false, ordered_json::error_handler_t::replace);
    return EncodeText(QString::fromStdString(text), m_encoding);
}

bool ProfileSession::SaveProfileAs(const QString &path, QString *error)
{
    if (!m_root) {
        if (error)
            *error = ProfileTexts::tr("尚未载入参数文件");
        return false;
    }
    StoreTableValues();
    return WriteFileAtomically(path, Serialize(), error);
}

bool ProfileSession::WriteBackProfile(QString *error)
{
    if (!m_root || m_path.isEmpty()) {
        if (error)
            *error = ProfileTexts::tr("尚未载入参数文件");
        return false;
    }
    return WriteFileAtomically(m_path, Serialize(), error);
}
