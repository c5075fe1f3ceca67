// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the integer parser against 128-bit arithmetic done here. Byte 0
// picks the word size, byte 1 the radix 2..36, byte 2 the overflow warning
// preference; the rest is the text. The word must equal the text's digits
// modulo 2^wordsize (negated for "-"), bytes above the word must stay zero,
// and the warning must be given exactly when a carry left the word.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/format.h"
#include "storage/state.h"
#include "support/test_db.h"

namespace {

int Value36(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;  // lower case is no digit
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kiv;
    using u128 = unsigned __int128;
    static TestDb* db = new TestDb;
    if (size < 3) return 0;
    static const int kSizes[] = {8, 16, 32, 64, 128};
    const int bits = kSizes[data[0] % 5];
    const int radix = 2 + data[1] % 35;
    State::setWordSize(uint8_t(bits));
    State::setWarnOverflow(data[2] & 1);
    const std::string text(reinterpret_cast<const char*>(data + 3),
                           strnlen(reinterpret_cast<const char*>(data + 3), size - 3));
    db->win.clearMessages();
    Word w;
    std::memset(w.b, 0xA5, sizeof w.b);
    const char* end = ParseInteger(text.c_str(), radix, &w);

    const u128 mask = bits == 128 ? ~u128(0) : (u128(1) << bits) - 1;
    size_t p = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++p;
    u128 v = 0;
    bool overflow = false;
    for (int d; p < text.size() && (d = Value36(text[p])) >= 0 && d < radix; ++p) {
        u128 m;
        if (__builtin_mul_overflow(v, u128(radix), &m) || (m & ~mask)) overflow = true;
        m &= mask;
        u128 s;
        if (__builtin_add_overflow(m, u128(d), &s) || (s & ~mask)) overflow = true;
        v = s & mask;
    }
    if (negative) v = (~v + 1) & mask;
    if (end != text.c_str() + p) std::abort();
    for (int i = 0; i < 16; ++i) {
        const uint8_t want = i < bits / 8 ? uint8_t(v >> (8 * i)) : 0;
        if (w.b[i] != want) std::abort();
    }
    const bool warned = !db->win.messages.empty();
    if (warned != (overflow && (data[2] & 1))) std::abort();
    return 0;
}
