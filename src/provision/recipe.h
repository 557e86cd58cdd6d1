#pragma once
// A station recipe: what the options of a production run say, kept in a JSON file (UTF-8) that
// the bench opens, with paths relative to the recipe's folder. The window and `dtucfg provision
// --recipe` read the same file.
#include "provision/station.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

struct Recipe {
    QString station;                            // the name the records carry (empty: the host's)
    QString golden;
    QString script = QStringLiteral("script.js");
    QStringList ports;                          // device paths and patterns
    QString tcpHosts;                           // file of host[:port] lines
    QString identity;                           // the row each unit carries from its factory
    QList<QPair<QString, QString>> unique;      // parameter → template with {seq:START}
    QString units;                              // CSV file of values per unit
    QString db = QStringLiteral("provision.sqlite");
    bool onlyChanged = false;
    int target = 0;                             // units to pass; 0: no target
    QString printer;                            // "" none, "pdf:FOLDER", or a system printer

    bool operator==(const Recipe &o) const;
    bool operator!=(const Recipe &o) const { return !(*this == o); }
};

// nullopt with `error` naming the key at fault: an unknown key, a value of the wrong kind, a
// malformed unique template, a database URL that holds a password.
std::optional<Recipe> ParseRecipe(const QByteArray &json, QString &error);
// Read with a bound: a recipe is a few hundred bytes.
std::optional<Recipe> ReadRecipe(const QString &path, QString &error);
// Indented JSON, keys in their usual order, non-ASCII text as it is.
QByteArray RecipeJson(const Recipe &recipe);
// Atomically; false with `error`.
bool WriteRecipe(const QString &path, const Recipe &recipe, QString &error);

// The station the recipe describes, its relative paths taken from `baseDir`. False with
// `error` when a file it names (the TCP hosts) cannot be read.
bool ApplyRecipe(const Recipe &recipe, const QString &baseDir, StationConfig &config, QString &error);
// `path` relative to `baseDir` unless absolute; empty stays empty.
QString RecipePath(const QString &baseDir, const QString &path);
