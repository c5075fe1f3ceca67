// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the real-number parser against strtod. The first byte picks the
// locale's decimal separator; the rest is the text. On an entry line's worth
// of text (the parser's only callers pass at most 136 bytes) the end position
// must follow the number's grammar and the value must agree with strtod on
// the same digits; on longer text it must only stay in bounds.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/format.h"
#include "fuzz/invariants.h"
#include "window/calctext.h"

namespace {

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

// The grammar on its own: [-] digits [mark digits] [" "] ["e" [-] digits].
// Returns the end and the canonical text for strtod.
size_t Reference(const std::string& t, char sep, std::string* canon) {
    size_t p = 0;
    std::string out;
    if (p < t.size() && t[p] == '-') out += t[p++];
    out += '0';
    while (p < t.size() && Digit(t[p])) out += t[p++];
    if (p < t.size() && (uint8_t(t[p]) == kiv::DECIMAL_MARK || (t[p] != 0 && t[p] == sep))) {
        ++p;
        out += '.';
        while (p < t.size() && Digit(t[p])) out += t[p++];
    }
    if (p < t.size() && t[p] == ' ') ++p;
    if (p < t.size() && t[p] == 'e') {
        ++p;
        out += 'e';
        if (p < t.size() && t[p] == '-') out += t[p++];
        out += '0';
        while (p < t.size() && Digit(t[p])) out += t[p++];
    }
    *canon = out;
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kiv;
    FakeWindow* win = &check::FuzzWindow();
    if (size < 1) return 0;
    static const char kSeps[] = {'.', ',', '\'', 'e', '-', '0', ' '};
    const char sep = kSeps[data[0] % sizeof kSeps];
    SetSeparators(sep, sep == ',' ? '.' : ',');
    // The text up to the first zero byte, as a C string.
    const std::string text(reinterpret_cast<const char*>(data + 1),
                           strnlen(reinterpret_cast<const char*>(data + 1), size - 1));
    win->clearMessages();
    double x = -1;
    const char* end = ParseReal(text.c_str(), &x);
    if (end < text.c_str() || end > text.c_str() + text.size()) std::abort();
    if (!std::isfinite(x)) std::abort();
    if (x == 0 && std::signbit(x)) std::abort();  // no negative zero on the stack
    if (text.size() > 136) return 0;

    std::string canon;
    if (size_t(end - text.c_str()) != Reference(text, sep, &canon)) std::abort();
    const double ref = std::strtod(canon.c_str(), nullptr);
    if (!std::isfinite(ref)) {
        if (x != 0 || win->messages.size() != 1) std::abort();
        return 0;
    }
    if (std::fabs(ref) > 1e307) return 0;  // rounding at the edge of the range may differ
    if (!win->messages.empty()) std::abort();
    if (std::fabs(x - ref) > 1e-12 * std::fabs(ref) + 1e-300) std::abort();
    return 0;
}
