#pragma once
#include <QString>

// One parameter row: the caption and seven sub-items, always all eight positions.
struct ParamRow {
    QString cmdId;       // caption: four hex digits, empty for a section heading
    QString name;        // sub-item 0
    QString stored;      // sub-item 1: "HEX:" + digits
    QString shown;       // sub-item 2
    QString onList;      // sub-item 3
    QString onGet;       // sub-item 4
    QString onSet;       // sub-item 5
    QString note;        // sub-item 6

    bool isHeading() const { return cmdId.isEmpty(); }
    // Stored value without its "HEX:" prefix; empty when four characters or fewer.
    QString hexDigits() const { return stored.size() > 4 ? stored.mid(4) : QString(); }
};
