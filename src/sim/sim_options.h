#pragma once
// Command-line settings of the simulated device: endpoints, start values and injected faults.
#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>

// A set of command words, or every word.
struct CommandSet {
    bool all = false;
    QSet<uint16_t> words;
    bool contains(uint16_t w) const { return all || words.contains(w); }
    bool isEmpty() const { return !all && words.isEmpty(); }
};

struct SimOptions {
    QString helpText;            // set when help was asked for: show it and run nothing
    bool pty = false;
    QString linkPath;
    int tcpPort = -1;            // -1: no TCP endpoint
    QString profilePath;
    int mainSet = -1;            // -1: from the profile, else 1
    QByteArray prefix;
    QString logPath;

    // Faults.
    QByteArray noise;
    int splitBytes = 0;
    int splitMs = 0;
    bool badChecksum = false;
    CommandSet silent;
    CommandSet garble;
    CommandSet refuse;
    CommandSet misstore;         // writes acknowledged but stored altered
    CommandSet omit;             // parameters left out of every parameter reply
    CommandSet disturb;          // parameters every accepted write of another one alters
    int delayMs = 0;
    int hangupAfter = 0;         // 0: never
    int lineRate = 0;            // bytes per second, 0: unpaced
    bool wrongCmd = false;
    int state = 2;
    int csq = 23;
    int streamRate = 0;          // bytes per second in transparent mode, 0: off
    qint64 streamBytes = 0;      // 0: endless
    // The device vanishes after N frames (pty removed, TCP client dropped and the port
    // closed), and comes back after the pause: same link path, same TCP port. 0: never
    // (SIGUSR1 makes it vanish at any time).
    int vanishAfter = 0;
    int vanishPauseMs = 1000;
    // Another unit takes the port's place after N frames (SIGUSR2: at any time): silent for the
    // pause, then another version text and the start values. The port itself stays. 0: never.
    int swapAfter = 0;
    int swapPauseMs = 2000;
    // The unit's factory serial number (parameter 0091): as given, or "auto" for one made from
    // the link path or TCP port; empty: the profile's value. A swapped-in unit gets another one,
    // or the same one with `swapSameIdentity` (the same unit back from rework, reset).
    QString identity;
    bool swapSameIdentity = false;
    bool swapSameVersion = false;   // a swapped-in unit of the same model answers the same version
};

// Fills `out` from the arguments; on failure returns false and sets `error`.
bool ParseSimOptions(const QStringList &args, SimOptions &out, QString &error);
// "all" or a comma list of four hex digits per word.
bool ParseCommandSet(const QString &text, CommandSet &out);
