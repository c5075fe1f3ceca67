// SPDX-License-Identifier: GPL-3.0-or-later
// Kiv's side of bench/compare_peers.sh: unit conversions as text in and
// text out, through the core only.
//
//   convert_driver LIST INPUT OUTPUT [ROUNDS [full]]
//   convert_driver LIST --save FOLDER
//
// LIST is a unit list file, read into a fresh in-memory main database.
// Each INPUT line is "NUMBER<TAB>FROM<TAB>TO" with unit expressions in the
// unit text Copy writes (names, SI prefix letters, exponent digits, "/").
// Each line goes through the core's text conversion, as kiv-convert's
// do, with 15 decimals; OUTPUT gets one plain-text result a line ("error: ..." when a line
// cannot be converted). The whole batch runs ROUNDS times (default 5) in
// memory; stdout gets the median time per conversion. With "full" every
// reduction to base units is done in full, none replayed from memory.
// With --save the database holding the list is written to FOLDER as the
// window writes kivDB_pdb (for kiv-convert's own timing).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/convert.h"
#include "app/core/unitlist.h"
#include "storage/database.h"
#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "units/algebra.h"

namespace kiv {
namespace {

struct Line {
    std::string number, from, to;
};

// One conversion, text in and text out, as kiv-convert does it.
std::string ConvertLine(const Line& in) {
    const ConversionOutcome r = ConvertText(in.number + " " + in.from, in.to, 15);
    return r.ok ? r.text : "error: " + r.message;
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
    const bool save = std::string(argv[2]) == "--save";
    if (!ReadText(argv[1], &list) || (!save && !ReadText(argv[2], &input))) {
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
    if (std::string(argv[2]) == "--save") return SaveDatabase(*MainDb(), argv[3]) ? 0 : 1;
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
