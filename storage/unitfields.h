// SPDX-License-Identifier: GPL-3.0-or-later
// The optional fields of a unit record: tagged fields after the name's
// terminating 0 (layout in storage/FORMAT.md). Shared by the unit table and
// start-up's repair, which sits below it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kiv {

inline constexpr size_t kUnitNameOffset = 20;
inline constexpr uint8_t kFieldZeroPoint = 1;  // 8 bytes, a double in definition units
inline constexpr size_t kZeroPointSize = 8;
inline constexpr uint8_t kFieldLongName = 2;  // 1..kMaxLongName bytes of text, no 0
inline constexpr size_t kMaxLongName = 47;

// A byte a long name may hold: a Windows-1252 character that can be shown,
// but not the double quote that ends it in a unit list.
inline bool LongNameByte(uint8_t c) {
    if (c < 0x20 || c == 0x7F || c == '"') return false;
    return !(c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D);
}

// A long name as stored and as read from a list: 1..kMaxLongName showable
// bytes without a blank at either end.
inline bool ValidLongName(const uint8_t* p, size_t n) {
    if (n == 0 || n > kMaxLongName || p[0] == ' ' || p[n - 1] == ' ') return false;
    for (size_t i = 0; i < n; ++i)
        if (!LongNameByte(p[i])) return false;
    return true;
}

// Where the fields begin: one past the name's 0 (the record's end when the
// name has none).
inline size_t UnitFieldsStart(const std::vector<uint8_t>& b) {
    if (b.size() <= kUnitNameOffset) return b.size();
    const void* zero = std::memchr(b.data() + kUnitNameOffset, 0, b.size() - kUnitNameOffset);
    return zero ? size_t(static_cast<const uint8_t*>(zero) - b.data()) + 1 : b.size();
}

// Walks the fields; `visit(tag, dataOffset, length)` for each whole one.
// Returns the offset where the walk stopped: the record's end when every
// field is whole, else the first field with tag 0 or running past the end.
template <typename Visit>
size_t WalkUnitFields(const std::vector<uint8_t>& b, Visit visit) {
    size_t at = UnitFieldsStart(b);
    while (at < b.size()) {
        if (b.size() - at < 2 || b[at] == 0 || b.size() - at - 2 < b[at + 1]) return at;
        visit(b[at], at + 2, size_t(b[at + 1]));
        at += 2 + size_t(b[at + 1]);
    }
    return at;
}

// The zero point stored in a unit record's bytes (the first field with its
// tag, of its size); false when there is none. Finiteness is the reader's
// to judge.
inline bool StoredZeroPoint(const std::vector<uint8_t>& b, double* zero) {
    bool found = false;
    WalkUnitFields(b, [&](uint8_t tag, size_t off, size_t len) {
        if (found || tag != kFieldZeroPoint || len != kZeroPointSize) return;
        std::memcpy(zero, b.data() + off, kZeroPointSize);
        found = true;
    });
    return found;
}

// The long name stored in a unit record's bytes (the first field with its
// tag); empty when there is none or it is not valid.
inline std::string StoredLongName(const std::vector<uint8_t>& b) {
    std::string name;
    bool seen = false;
    WalkUnitFields(b, [&](uint8_t tag, size_t off, size_t len) {
        if (seen || tag != kFieldLongName) return;
        seen = true;
        if (ValidLongName(b.data() + off, len))
            name.assign(b.begin() + std::ptrdiff_t(off), b.begin() + std::ptrdiff_t(off + len));
    });
    return name;
}

}  // namespace kiv
