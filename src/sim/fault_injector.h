#pragma once
// Turns the device's honest reply into the faulty one the command line asks for.
#include "sim/sim_options.h"
#include <QByteArray>
#include <cstdint>
#include <optional>

class FaultInjector {
public:
    explicit FaultInjector(const SimOptions &options) : m_o(options) {}

    bool silences(uint16_t cmd) const { return m_o.silent.contains(cmd); }
    bool refuses(uint16_t cmd) const { return m_o.refuse.contains(cmd); }
    bool misstores(uint16_t cmd) const { return m_o.misstore.contains(cmd); }
    // Wrong command word, garbling, bad checksum and leading noise, in that order.
    QByteArray apply(uint16_t cmd, const QByteArray &reply) const;

    // The reply without any AA 55 pair in it.
    static QByteArray Garble(const QByteArray &reply);
    static QByteArray CorruptChecksum(const QByteArray &reply);
    // A written value as a faulty device keeps it: its last byte plus one (one zero byte when empty).
    static QByteArray Misstore(const QByteArray &value);

private:
    const SimOptions &m_o;
};
