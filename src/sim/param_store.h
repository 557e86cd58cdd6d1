#pragma once
// The device's parameter sets: code → value bytes, per set number, with the start values
// kept aside for a factory reset.
#include <QByteArray>
#include <QMap>
#include <cstdint>

using ParamSet = QMap<uint16_t, QByteArray>;

class ParamStore {
public:
    ParamStore() = default;
    ParamStore(QMap<int, ParamSet> startSets, int mainSet);
    // A few parameters in set 1 (main) and set 0 (extended) for runs without a profile.
    static ParamStore BuiltIn();

    int mainSet() const { return m_mainSet; }
    int currentSet() const { return m_current; }
    bool selectSet(int set);
    bool hasSet(int set) const { return m_sets.contains(set); }

    bool has(uint16_t code) const;
    QByteArray value(uint16_t code) const;
    // False (and nothing stored) when the current set has no such code.
    bool write(uint16_t code, const QByteArray &value);
    // The maintenance port addresses every parameter by its code, whatever set is selected:
    // the set that holds it (the current one first).
    int setHolding(uint16_t code) const;
    // Sets `code` in the start values and now, in the set that holds it; false when none does.
    bool setStartValue(uint16_t code, const QByteArray &value);
    QByteArray valueIn(int set, uint16_t code) const { return m_sets.value(set).value(code); }
    bool writeIn(int set, uint16_t code, const QByteArray &value);
    void restoreDefaults() { m_sets = m_start; }
    const QMap<int, ParamSet> &sets() const { return m_sets; }

private:
    QMap<int, ParamSet> m_start;
    QMap<int, ParamSet> m_sets;
    int m_mainSet = 1;
    int m_current = 1;
};
