// SPDX-License-Identifier: GPL-3.0-or-later
// The 24-byte value stored as is in the state record: a kind byte (0 real,
// 1 integer); a real holds a little-endian double at 8 and a unit reference
// at 16; an integer holds 16 bytes of two's complement at 8, of which the low
// word-size/8 bytes count.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "storage/database.h"

namespace kiv {

struct Value {
    static constexpr size_t kSize = 24;
    std::array<uint8_t, kSize> b{};

    uint8_t kind() const { return b[0]; }
    bool isReal() const { return b[0] == 0; }
    bool isInt() const { return b[0] == 1; }

    double real() const {
        double d;
        std::memcpy(&d, &b[8], 8);
        return d;
    }
    Uid unit() const { return ReadU32(&b[16]); }
    void setReal(double d) { std::memcpy(&b[8], &d, 8); }
    void setUnit(Uid u) { PutU32(&b[16], u); }

    uint8_t* word() { return &b[8]; }
    const uint8_t* word() const { return &b[8]; }

    static Value Real(double d, Uid unit = NULL_UID) {
        Value v;
        v.b[0] = 0;
        v.setReal(d);
        v.setUnit(unit);
        return v;
    }
    static Value Int(const uint8_t* bytes16) {
        Value v;
        v.b[0] = 1;
        std::memcpy(&v.b[8], bytes16, 16);
        return v;
    }
    static Value FromBytes(const uint8_t* p) {
        Value v;
        std::memcpy(v.b.data(), p, kSize);
        return v;
    }
};

// The unit reference a value owns: its unit for a real, NULL_UID otherwise.
inline Uid OwnedUnit(const Value& v) {
    return v.isReal() ? v.unit() : NULL_UID;
}

}  // namespace kiv
