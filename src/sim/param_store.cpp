#include "sim/param_store.h"

ParamStore::ParamStore(QMap<int, ParamSet> startSets, int mainSet)
    : m_start(std::move(startSets)), m_mainSet(mainSet), m_current(mainSet)
{
    if (!m_start.contains(m_mainSet))
        m_start.insert(m_mainSet, ParamSet());
    m_sets = m_start;
}

ParamStore ParamStore::BuiltIn()
{
    QMap<int, ParamSet> sets;
    ParamSet &main = sets[1];
    main.insert(0x0001, QByteArray("DTU-0001"));                 // device name
    main.insert(0x0002, QByteArray::fromHex("C0A80138"));        // center address
    main.insert(0x0003, QByteArray::fromHex("22B8"));            // center port 8888
    main.insert(0x0004, QByteArray::fromHex("01"));              // protocol
    main.insert(0x0012, QByteArray::fromHex("0000E100"));        // baud rate 57600
    main.insert(0x0091, QByteArray("12345678"));                 // password
    ParamSet &ext = sets[0];
    ext.insert(0x0101, QByteArray::fromHex("0A"));
    ext.insert(0x0102, QByteArray::fromHex("0000803F"));         // 1.0f
    ext.insert(0x0103, QByteArray("CMNET"));
    return ParamStore(sets, 1);
}

bool ParamStore::selectSet(int set)
{
    if (!m_sets.contains(set))
        return false;
    m_current = set;
    return true;
}

bool ParamStore::has(uint16_t code) const
{
    return m_sets.value(m_current).contains(code);
}

QByteArray ParamStore::value(uint16_t code) const
{
    return m_sets.value(m_current).value(code);
}

bool ParamStore::write(uint16_t code, const QByteArray &value) { return writeIn(m_current, code, value); }

bool ParamStore::writeIn(int set, uint16_t code, const QByteArray &value)
{
    auto it = m_sets.find(set);
    if (it == m_sets.end() || !it->contains(code))
        return false;
    it->insert(code, value);
    return true;
}

int ParamStore::setHolding(uint16_t code) const
{
    if (m_sets.value(m_current).contains(code))
        return m_current;
    for (auto it = m_sets.cbegin(); it != m_sets.cend(); ++it)
        if (it->contains(code))
            return it.key();
    return -1;
}

bool ParamStore::setStartValue(uint16_t code, const QByteArray &value)
{
    const int set = setHolding(code);
    if (set < 0)
        return false;
    m_start[set].insert(code, value);
    m_sets[set].insert(code, value);
    return true;
}
