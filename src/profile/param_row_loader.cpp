#include "profile/param_row_loader.h"

#include "params/param_table.h"
#include "text/json_text.h"
#include "profile/profile_session.h"
#include "script/script_host.h"
#include <QCoreApplication>

namespace {
struct ProfileTexts {
    Q_DECLARE_TR_FUNCTIONS(ProfileTexts)
};
} // namespace

using nlohmann::ordered_json;

ParamRow ParamRowFromEntry(const ordered_json &entry)
{
    ParamRow r;
    r.cmdId = JsonMemberText(entry, "CMDID");
    r.name = JsonMemberText(entry, "PNAME");
    r.stored = JsonMemberText(entry, "PVALUE");
    r.onSet = JsonMemberText(entry, "ONSET");
    r.onGet = JsonMemberText(entry, "ONGET");
    r.onList = JsonMemberText(entry, "ONLIST");
    r.note = JsonMemberText(entry, "PNOTE");
    return r;
}

bool ListShownValue(const QString &onList, const QString &stored, QString *shown, QString *error)
{
    shown->clear();
    QString parseError;
    const auto doc = ParseLenientJson(onList, &parseError);
    if (!doc) {
        *error = ProfileTexts::tr("值列表不是有效的 JSON：%1").arg(parseError);
        return false;
    }
    if (!doc->is_array() || doc->size() < 2 || !(*doc)[0].is_array() || !(*doc)[1].is_array()
        || (*doc)[0].size() != (*doc)[1].size()) {
        *error = ProfileTexts::tr("值列表不是两个等长的数组");
        return false;
    }
    const ordered_json &names = (*doc)[0];
    const ordered_json &values = (*doc)[1];
    for (size_t k = 0; k < names.size(); ++k) {
        if (QStringLiteral("HEX:") + JsonValueText(values[k]) == stored) {
            *shown = JsonValueText(names[k]);
            break;
        }
    }
    return true;
}

QStringList AddParamRows(ScriptHost &script, ParamTable &table, const QVector<ParamRow> &rows)
{
    // One batch for all the rows: a large profile loads without a round trip to the engine per row.
    ScriptBatch batch;
    QVector<ParamRow> done = rows;
    QStringList errors;
    QVector<int> evaluation(rows.size(), -1);
    for (int i = 0; i < done.size(); ++i) {
        ParamRow &r = done[i];
        r.shown.clear();
        errors.append(QString());
        // Four characters or fewer: no value, and nothing is evaluated.
        if (r.stored.size() < 5)
            continue;
        // Set directly, never spliced into script source, so any character arrives intact.
        batch.setHexInput(r.stored.mid(4));
        if (r.onList.startsWith(QLatin1String("[["))) {
            QString shown;
            if (ListShownValue(r.onList, r.stored, &shown, &errors[i]))
                r.shown = shown;
        } else {
            evaluation[i] = batch.evaluate(r.onGet);
        }
    }
    const QVector<ScriptResult> results = script.run(batch);
    for (int i = 0; i < done.size(); ++i) {
        if (evaluation[i] >= 0) {
            const ScriptResult &res = results[evaluation[i]];
            if (res.ok)
                done[i].shown = res.text;
            else
                errors[i] = res.error;
        }
        table.addRow(done[i]);
    }
    return errors;
}

QString AddParamRow(ScriptHost &script, ParamTable &table, const ParamRow &row)
{
    return AddParamRows(script, table, {row}).value(0);
}
