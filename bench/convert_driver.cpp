// Kiv's side of bench/compare_peers.sh: unit conversions as text in and
// text out, through the core only.
//
//   convert_driver LIST INPUT OUTPUT [ROUNDS [full]]
//
// LIST is a unit list file, read into a fresh in-memory main database.
// Each INPUT line is "NUMBER<TAB>FROM<TAB>TO" with unit expressions in the
// unit list syntax (names, SI prefix letters, exponent digits, "/"). For
// each line the number is parsed, both expressions are built, the value is
// converted (a temperature reading through the zero points) and the result
// formatted to 15 digits as the calculator shows it; OUTPUT gets one plain-text result a line
// ("error: ..." when a line cannot be converted). The whole batch runs ROUNDS times (default 5) in
// memory; stdout gets the median time per conversion. With "full" every
// reduction to base units is done in full, none replayed from memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/unitlist.h"
#include "engine/format.h"
#include "storage/database.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "units/algebra.h"
#include "units/scales.h"
#include "units/unitrec.h"
#include "units/unittext.h"
#include "window/calctext.h"

namespace kiv {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A new expression for `text` (unit list syntax); the prefixes stay in the
// expression. NULL_UID and *error set when a name is unknown.
Uid ParseUnit(const std::string& text, std::string* error) {
    const Uid e = NewExpression();
    bool denominator = false;
    size_t p = 0;
    while (p < text.size()) {
        const char c = text[p];
        if (c == ' ' || c == '*') {
            ++p;
            continue;
        }
        if (c == '/') {
            denominator = true;
            ++p;
            continue;
        }
        if (!IsLetter(c)) {
            *error = "unexpected character in " + text;
            DeleteExpression(e);
            return NULL_UID;
        }
        const size_t start = p;
        while (p < text.size() && IsLetter(text[p])) ++p;
        const std::string name = text.substr(start, p - start);
        int exponent = 0;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9')
            exponent = exponent * 10 + (text[p++] - '0');
        if (exponent == 0) exponent = 1;
        Uid unit = NULL_UID;
        int prefix = 0;
        if (FindUnitByName(name, &unit) == 0) {
            prefix = name.size() > 1 ? PrefixPower(name[0]) : 0;
            if (prefix == 0 || FindUnitByName(name.substr(1), &unit) == 0) {
                *error = "unknown unit " + name;
                DeleteExpression(e);
                return NULL_UID;
            }
        }
        MultiplyIn(e, unit, prefix, denominator ? -exponent : exponent, nullptr);
    }
    return Normalise(e);
}

struct Line {
    std::string number, from, to;
};

// One conversion, text in and text out.
std::string ConvertLine(const Line& in) {
    double x = 0;
    const char* end = ParseReal(in.number.c_str(), &x);
    if (!end || *end != 0) return "error: bad number " + in.number;
    std::string error;
    const Uid from = ParseUnit(in.from, &error);
    const Uid to = from == NULL_UID ? NULL_UID : ParseUnit(in.to, &error);
    if (to == NULL_UID) {
        DeleteExpression(from);
        return "error: " + error;
    }
    double factor = 1.0;
    // A temperature reading converts through the zero points, as conv does.
    double reading = x;
    const ScaleResult scaled = ConvertReading(from, to, &reading);
    if (scaled != ScaleResult::Plain) {
        DeleteExpression(from);
        DeleteExpression(to);
        if (scaled == ScaleResult::Refused) return "error: refused " + in.number + " " + in.from;
        char buf[200];
        FormatReal(buf, int(sizeof buf), reading, NULL_UID, 0, 15, nullptr);
        ToPlainText(buf);
        return buf;
    }
    const Uid r = Convert(from, to, &factor);  // consumes `from`
    const bool compatible = r != NULL_UID && ExpressionsEqual(r, to);
    DeleteExpression(r);
    if (!compatible) {
        DeleteExpression(to);
        return "error: " + in.from + " and " + in.to + " are not compatible";
    }
    char buf[200];
    FormatReal(buf, int(sizeof buf), x * factor, to, 0, 15, nullptr);
    DeleteExpression(to);
    ToPlainText(buf);
    return buf;
}

bool ReadText(const std::string& path, std::string* out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::stringstream s;
    s << f.rdbuf();
    *out = s.str();
    return true;
}

int Run(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s LIST INPUT OUTPUT [ROUNDS [full]]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
    SetReductionMemo(argc > 5 && std::string(argv[5]) == "full" ? MemoMode::Off : MemoMode::On);
    std::string list, input;
    if (!ReadText(argv[1], &list) || !ReadText(argv[2], &input)) {
        std::fprintf(stderr, "cannot read %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    SetMainDb(
        std::make_unique<Database>(Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"))));
    if (!CreateStateRecord() || !LocateStateRecord()) return 1;
    if (const int bad = ReadUnitList(list, argv[1]); bad != 0) {
        std::fprintf(stderr, "%s: line %d not read\n", argv[1], bad);
        return 1;
    }
    // Lines of three tab-separated fields; others are skipped.
    std::vector<Line> lines;
    for (size_t pos = 0; pos < input.size();) {
        size_t end = input.find('\n', pos);
        if (end == std::string::npos) end = input.size();
        std::string s = input.substr(pos, end - pos);
        if (!s.empty() && s.back() == '\r') s.pop_back();
        pos = end + 1;
        const size_t t1 = s.find('\t'), t2 = t1 == std::string::npos ? t1 : s.find('\t', t1 + 1);
        if (t2 == std::string::npos) continue;
        lines.push_back({s.substr(0, t1), s.substr(t1 + 1, t2 - t1 - 1), s.substr(t2 + 1)});
    }
    std::vector<std::string> results(lines.size());
    std::vector<double> perConversion;
    for (int round = 0; round < rounds; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        for (size_t i = 0; i < lines.size(); ++i) results[i] = ConvertLine(lines[i]);
        const auto t1 = std::chrono::steady_clock::now();
        perConversion.push_back(std::chrono::duration<double>(t1 - t0).count() /
                                double(std::max<size_t>(lines.size(), 1)));
    }
    std::sort(perConversion.begin(), perConversion.end());
    std::string text;
    for (const std::string& r : results) text += r + "\n";
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out << text;
    std::printf("%zu conversions, median of %d rounds: %.9g s per conversion\n", lines.size(),
                rounds, perConversion[perConversion.size() / 2]);
    ReleaseStateRecord();
    TakeMainDb();
    return out ? 0 : 1;
}

}  // namespace
}  // namespace kiv

int main(int argc, char** argv) {
    return kiv::Run(argc, argv);
}
