#pragma once
// What dtucfg prints: text lines (or one JSON object) on stdout, progress, trace and the
// one-line error on stderr.
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

class CliOutput {
public:
    explicit CliOutput(bool json) : m_json(json) {}

    bool isJson() const { return m_json; }
    // A line of the text output (ignored in JSON mode).
    void line(const QString &text);
    // A member of the JSON document (ignored in text mode).
    void set(const QString &key, const QJsonValue &value);
    // Progress and warnings: stderr in both modes.
    static void note(const QString &text);

    // Prints the result: the JSON document with "ok" (and "error", "exit" on failure) or the
    // text lines; a failure text goes to stderr as one line. Returns `exitCode`.
    int finish(int exitCode, const QString &errorText);

private:
    bool m_json;
    QStringList m_lines;
    QJsonObject m_doc;
};

// Columns padded to their widest cell; CJK characters count two columns.
QStringList FormatTable(const QList<QStringList> &rows);
int DisplayWidth(const QString &text);
