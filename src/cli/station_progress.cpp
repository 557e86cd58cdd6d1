#include "cli/station_progress.h"

#include <QJsonDocument>
#include <cstdio>

namespace {
void put(FILE *f, const QString &text)
{
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), f);
    std::fflush(f);
}

QString seconds(qint64 ms) { return QString::number(double(ms) / 1000.0, 'f', 1) + QLatin1Char('s'); }

QString uniqueText(const QMap<QString, QString> &m)
{
    QStringList parts;
    for (auto it = m.cbegin(); it != m.cend(); ++it)
        parts << it.key() + QLatin1Char('=') + it.value();
    return parts.join(QLatin1Char(' '));
}
} // namespace

StationProgress::StationProgress(bool json, bool live, bool resultsOut, QObject *parent)
    : QObject(parent), m_json(json), m_live(live), m_resultsOut(resultsOut)
{
    m_run.start();
    // Elapsed times move even while a unit waits for its device.
    m_tick.setInterval(200);
    connect(&m_tick, &QTimer::timeout, this, &StationProgress::redraw);
    if (m_live)
        m_tick.start();
}

QString StationProgress::ResultLine(const UnitRecord &r)
{
    QString line = QStringLiteral("%1 %2").arg(r.result == UnitRecord::Passed    ? QStringLiteral("PASS")
                                               : r.result == UnitRecord::Skipped ? QStringLiteral("SKIP")
                                                                                 : QStringLiteral("FAIL"),
                                               r.port);
    if (!r.unitId.isEmpty())
        line += QStringLiteral(" [%1]").arg(r.unitId);
    // What was handed out, and apart from it what the unit held before (never as if given).
    const QString given = uniqueText(r.unique);
    if (!given.isEmpty())
        line += QLatin1Char(' ') + given + (r.reused ? QStringLiteral(" (given before)") : QString());
    else if (!r.identity.isEmpty())
        line += QStringLiteral(" held %1").arg(uniqueText(r.identity));
    line += QLatin1Char(' ') + seconds(r.durationMs);
    if (r.result != UnitRecord::Passed && !r.failureText().isEmpty())
        line += QStringLiteral(": ") + r.failureText();
    return line;
}

void StationProgress::started(const QString &port)
{
    if (!m_lines.contains(port))
        m_order << port;
    Line &l = m_lines[port];
    l.state = QStringLiteral("starting");
    l.since.start();
    l.over = false;
    if (m_live)
        redraw();
    else if (!m_json)
        put(stderr, port + QStringLiteral(": started\n"));
}

void StationProgress::progress(const QString &port, UnitStep step, const QString &code, int n, int total)
{
    static const char *const names[] = {"open", "version", "read", "values", "write", "verify"};
    Line &l = m_lines[port];
    const bool writing = step == UnitStep::Write;
    // Plain output names the phases, not every single write.
    const bool show = !writing || n == 1;
    const QString name = QLatin1String(names[int(step)]);
    l.state = writing ? QStringLiteral("write %1 %2/%3").arg(code).arg(n).arg(total)
                            : step == UnitStep::Verify ? QStringLiteral("%1 %2/%3").arg(name).arg(n).arg(total)
                          : name;
    if (!m_live && !m_json && show)
        put(stderr, QStringLiteral("%1: %2\n").arg(port, writing ? QStringLiteral("writing %1/%2").arg(n).arg(total) : l.state));
}

void StationProgress::finished(const UnitRecord &r)
{
    m_tally.add(r);
    Line &l = m_lines[r.port];
    l.state = ResultLine(r);
    l.over = true;
    if (m_live)
        redraw();
    if (m_json)
        put(stdout, QString::fromUtf8(QJsonDocument(r.toJson()).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    else if (m_resultsOut)
        put(stdout, ResultLine(r) + QLatin1Char('\n'));
}

void StationProgress::waiting(const QString &port)
{
    Line &l = m_lines[port];
    l.state = QStringLiteral("%1  waiting for a unit").arg(port);
    l.over = true;
    if (m_live)
        redraw();
}

void StationProgress::clearLive()
{
    if (m_drawn > 0)
        put(stderr, QStringLiteral("\x1b[%1A").arg(m_drawn));
    m_drawn = 0;
}

void StationProgress::warning(const QString &text) { note(QStringLiteral("warning: ") + text); }

void StationProgress::note(const QString &text)
{
    if (m_live) {
        clearLive();
        put(stderr, QStringLiteral("\x1b[J") + text + QLatin1Char('\n'));
        redraw();
    } else {
        put(stderr, text + QLatin1Char('\n'));
    }
}

void StationProgress::redraw()
{
    if (!m_live)
        return;
    clearLive();
    QString out;
    for (const QString &port : m_order) {
        const Line &l = m_lines.value(port);
        out += QStringLiteral("\x1b[2K") +
               (l.over ? l.state : QStringLiteral("  %1  %2  %3").arg(port, l.state, seconds(l.since.elapsed()))) +
               QLatin1Char('\n');
    }
    put(stderr, out);
    m_drawn = m_order.size();
}

void StationProgress::summary()
{
    m_tick.stop();
    if (m_live)
        redraw();
    const double hours = double(m_run.elapsed()) / 3600000.0;
    const double rate = hours > 0 ? passed() / hours : 0;
    const QString text = QStringLiteral("done %1, failed %2, skipped %3 in %4 (%5 units/h)")
                             .arg(passed()).arg(failed()).arg(skipped()).arg(seconds(m_run.elapsed()))
                             .arg(qRound(rate));
    if (m_json) {
        const QJsonObject o{{QStringLiteral("summary"), true},
                            {QStringLiteral("passed"), passed()},
                            {QStringLiteral("failed"), failed()},
                            {QStringLiteral("skipped"), skipped()},
                            {QStringLiteral("elapsed_ms"), m_run.elapsed()},
                            {QStringLiteral("units_per_hour"), rate}};
        put(stdout, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    } else {
        put(stdout, text + QLatin1Char('\n'));
    }
}
