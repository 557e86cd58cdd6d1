#pragma once
// What `provision` shows while it runs: one live line per port on a terminal, plain lines
// otherwise, one JSON object per unit with --json, and the summary at the end.
#include "provision/station_tally.h"
#include "provision/unit_runner.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

class StationProgress : public QObject {
    Q_OBJECT
public:
    // `live`: redrawn lines on stderr (a terminal); `resultsOut`: a result line per unit on stdout.
    StationProgress(bool json, bool live, bool resultsOut, QObject *parent = nullptr);

    void started(const QString &port);
    void progress(const QString &port, UnitStep step, const QString &code, int n, int total);
    void finished(const UnitRecord &r);
    // Station mode: nobody answers on the port yet.
    void waiting(const QString &port);
    void warning(const QString &text);
    void note(const QString &text);
    // The closing lines: done / failed / skipped and the rate per hour.
    void summary();

    int passed() const { return m_tally.passed(); }
    int failed() const { return m_tally.failed(); }
    int skipped() const { return m_tally.skipped(); }

    // The one-line result of a unit, as plain output and the live line's end state show it.
    static QString ResultLine(const UnitRecord &r);

private:
    struct Line {
        QString state;
        QElapsedTimer since;
        bool over = false;
    };
    void redraw();
    void clearLive();

    bool m_json;
    bool m_live;
    bool m_resultsOut;
    QStringList m_order;
    QHash<QString, Line> m_lines;
    int m_drawn = 0;
    QTimer m_tick;
    QElapsedTimer m_run;
    StationTally m_tally;
};
