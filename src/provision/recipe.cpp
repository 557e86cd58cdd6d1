#include "provision/recipe.h"

#include "provision/port_scan.h"
#include "text/bounded_read.h"
#include "text/json_text.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <QUrlQuery>
#include <nlohmann/json.hpp>

namespace {
using Json = nlohmann::ordered_json;

const char *const kKeys[] = {"station", "golden", "script", "ports",       "tcpHosts", "identity",
                             "unique",  "units",  "db",     "onlyChanged", "target",   "printer"};

QString q(const std::string &s) { return QString::fromStdString(s); }
std::string s(const QString &t) { return t.toStdString(); }

bool isUrl(const QString &db)
{
    const QString scheme = QUrl(db).scheme();
    return scheme == QLatin1String("postgresql") || scheme == QLatin1String("postgres");
}

bool text(const Json &o, const char *key, QString &out, QString &error)
{
    if (!o.contains(key))
        return true;
    if (!o[key].is_string()) {
        error = QStringLiteral("\"%1\" in the recipe must be a text").arg(QLatin1String(key));
        return false;
    }
    out = q(o[key].get<std::string>());
    return true;
}
} // namespace

bool Recipe::operator==(const Recipe &o) const
{
    return station == o.station && golden == o.golden && script == o.script && ports == o.ports &&
           tcpHosts == o.tcpHosts && unique == o.unique && units == o.units && db == o.db &&
           onlyChanged == o.onlyChanged && target == o.target && printer == o.printer && identity == o.identity;
}

std::optional<Recipe> ParseRecipe(const QByteArray &json, QString &error)
{
    if (JsonNestingDepth(QString::fromUtf8(json)) > 8) {
        error = QStringLiteral("the recipe nests deeper than a recipe does");
        return std::nullopt;
    }
    Json o;
    try {
        o = Json::parse(json.constBegin(), json.constEnd());
    } catch (const Json::exception &e) {
        error = QStringLiteral("the recipe is not JSON: ") + ShortenedMessage(QString::fromUtf8(e.what()));
        return std::nullopt;
    }
    if (!o.is_object()) {
        error = QStringLiteral("the recipe is not a JSON object");
        return std::nullopt;
    }
    for (auto it = o.begin(); it != o.end(); ++it)
        if (std::find_if(std::begin(kKeys), std::end(kKeys), [&](const char *k) { return it.key() == k; }) == std::end(kKeys)) {
            error = QStringLiteral("unknown key \"%1\" in the recipe (known: %2)")
                        .arg(ShortenedMessage(q(it.key()), 60), QStringList(std::begin(kKeys), std::end(kKeys)).join(QStringLiteral(", ")));
            return std::nullopt;
        }
    Recipe r;
    if (!text(o, "station", r.station, error) || !text(o, "golden", r.golden, error) || !text(o, "script", r.script, error) ||
        !text(o, "tcpHosts", r.tcpHosts, error) || !text(o, "units", r.units, error) || !text(o, "db", r.db, error) ||
        !text(o, "printer", r.printer, error) || !text(o, "identity", r.identity, error))
        return std::nullopt;
    if (o.contains("ports")) {
        const Json &p = o["ports"];
        if (p.is_string())
            r.ports = {q(p.get<std::string>())};
        else if (p.is_array() && std::all_of(p.begin(), p.end(), [](const Json &e) { return e.is_string(); }))
            for (const Json &e : p)
                r.ports << q(e.get<std::string>());
        else {
            error = QStringLiteral("\"ports\" in the recipe must be a list of texts such as [\"/dev/ttyUSB*\"]");
            return std::nullopt;
        }
    }
    if (o.contains("unique")) {
        const Json &u = o["unique"];
        if (!u.is_object()) {
            error = QStringLiteral("\"unique\" in the recipe must be an object of NAME: \"TEMPLATE\" such as \"{seq:10000001}\"");
            return std::nullopt;
        }
        for (auto it = u.begin(); it != u.end(); ++it) {
            if (!it.value().is_string()) {
                error = QStringLiteral("\"unique\" in the recipe: the template of \"%1\" must be a text").arg(q(it.key()));
                return std::nullopt;
            }
            const QPair<QString, QString> entry{q(it.key()), q(it.value().get<std::string>())};
            QString why;
            if (!ParseUniqueSpec(entry.first + QLatin1Char('=') + entry.second, why)) {
                error = QStringLiteral("\"unique\" in the recipe: ") + why;
                return std::nullopt;
            }
            r.unique << entry;
        }
    }
    if (o.contains("onlyChanged")) {
        if (!o["onlyChanged"].is_boolean()) {
            error = QStringLiteral("\"onlyChanged\" in the recipe must be true or false");
            return std::nullopt;
        }
        r.onlyChanged = o["onlyChanged"].get<bool>();
    }
    if (o.contains("target")) {
        const Json &t = o["target"];
        if (!t.is_number_integer() || t.get<long long>() < 0 || t.get<long long>() > 10000000) {
            error = QStringLiteral("\"target\" in the recipe must be a whole number from 0 to 10000000");
            return std::nullopt;
        }
        r.target = int(t.get<long long>());
    }
    // The recipe lies on a bench for everyone to read; the password belongs in PGPASSWORD or ~/.pgpass.
    if (isUrl(r.db) && (!QUrl(r.db).password().isEmpty() || QUrlQuery(QUrl(r.db)).hasQueryItem(QStringLiteral("password")))) {
        error = QStringLiteral("\"db\" in the recipe holds a password, and a recipe is read by everyone at the bench: "
                               "remove it from the URL and give it in PGPASSWORD or ~/.pgpass");
        return std::nullopt;
    }
    return r;
}

std::optional<Recipe> ReadRecipe(const QString &path, QString &error)
{
    constexpr qint64 kMaxRecipeBytes = 1024 * 1024;
    QByteArray bytes;
    QString why;
    const BoundedRead read = ReadFileBounded(path, kMaxRecipeBytes, &bytes, &why);
    if (read == BoundedRead::TooLarge) {
        error = QStringLiteral("%1 is larger than 1 MB, the most a recipe may hold").arg(path);
        return std::nullopt;
    }
    if (read == BoundedRead::Failed) {
        error = QStringLiteral("cannot read %1: %2").arg(path, why);
        return std::nullopt;
    }
    auto r = ParseRecipe(bytes, error);
    if (!r)
        error = path + QStringLiteral(": ") + error;
    return r;
}

QByteArray RecipeJson(const Recipe &r)
{
    Json o;
    o["station"] = s(r.station);
    o["golden"] = s(r.golden);
    o["script"] = s(r.script);
    o["ports"] = Json::array();
    for (const QString &p : r.ports)
        o["ports"].push_back(s(p));
    o["tcpHosts"] = s(r.tcpHosts);
    o["identity"] = s(r.identity);
    o["unique"] = Json::object();
    for (const auto &u : r.unique)
        o["unique"][s(u.first)] = s(u.second);
    o["units"] = s(r.units);
    o["db"] = s(r.db);
    o["onlyChanged"] = r.onlyChanged;
    o["target"] = r.target;
    o["printer"] = s(r.printer);
    return QByteArray::fromStdString(o.dump(2, ' ', false)) + '\n';
}

bool WriteRecipe(const QString &path, const Recipe &recipe, QString &error)
{
    QSaveFile f(path);
    const QByteArray bytes = RecipeJson(recipe);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

QString RecipePath(const QString &baseDir, const QString &path)
{
    if (path.isEmpty() || QFileInfo(path).isAbsolute())
        return path;
    return QDir::cleanPath(QDir(baseDir).filePath(path));
}

bool ApplyRecipe(const Recipe &r, const QString &baseDir, StationConfig &c, QString &error)
{
    c.name = r.station;
    c.plan.goldenPath = RecipePath(baseDir, r.golden);
    c.plan.scriptPath = RecipePath(baseDir, r.script);
    c.plan.onlyChanged = r.onlyChanged;
    c.ports.clear();
    for (const QString &p : r.ports)
        c.ports << RecipePath(baseDir, p);
    c.tcpHosts.clear();
    if (!r.tcpHosts.isEmpty()) {
        const auto hosts = ReadTcpHosts(RecipePath(baseDir, r.tcpHosts), error);
        if (!hosts)
            return false;
        c.tcpHosts = *hosts;
    }
    c.uniques.clear();
    for (const auto &u : r.unique) {
        const auto spec = ParseUniqueSpec(u.first + QLatin1Char('=') + u.second, error);
        if (!spec)
            return false;
        c.uniques << *spec;
    }
    c.unitsFile = RecipePath(baseDir, r.units);
    c.identity = r.identity;
    c.db = isUrl(r.db) ? r.db : RecipePath(baseDir, r.db);
    c.target = r.target;
    return true;
}
