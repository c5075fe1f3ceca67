// SPDX-License-Identifier: GPL-3.0-or-later
// Replays a long key script (designed unit arithmetic, integer mode over
// every word size and radix, seeded random key runs, display modes, a save
// and reload of the database with the start-up relabel) and compares every
// displayed text, every message, the changed bytes of the state record
// after each key and a digest of the saved database with a recorded
// transcript. Speed work on the key-press and start-up paths must leave the
// transcript unchanged byte for byte.
//
// To re-record after an intended change of behaviour:
//   KIV_RECORD_GOLDEN=1 ./perf_equivalence_test
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "keypad/script.h"
#include "res/resource.h"
#include "storage/dbfile.h"
#include "storage/holders.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

const std::string kGolden = std::string(KIV_SOURCE_DATA_DIR) + "/../tests/golden/keyscript.txt";

std::string Escaped(const std::string& s) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += ch;
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

uint64_t Fnv64(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (const uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

// Everything the user (and the next run) can see, as it was after the last
// key; each key's block holds what changed since.
class Transcript {
  public:
    explicit Transcript(FakeWindow& w) : win_(w) {}

    void key(const std::string& what) {
        out_ << "key " << what << "\n";
        diff();
    }
    void note(const std::string& what) {
        out_ << "-- " << what << "\n";
        diff();
    }
    // Forgets what was shown, so that the next block lists everything.
    void forgetShown() {
        labels_.clear();
        enabled_.clear();
        shown_.clear();
        menuOn_.clear();
        menuChecked_.clear();
        entry_.clear();
        rows_.clear();
        state_.clear();
    }
    std::string text() const { return out_.str(); }

  private:
    template <class Map>
    void mapDiff(const char* tag, const Map& now, Map& was) {
        for (const auto& [id, v] : now) {
            auto it = was.find(id);
            if (it != was.end() && it->second == v) continue;
            std::ostringstream s;
            s << v;
            out_ << "  " << tag << " " << id << " " << Escaped(s.str()) << "\n";
        }
        was = now;
    }

    void diff() {
        mapDiff("label", win_.controlText, labels_);
        mapDiff("enabled", win_.controlEnabled, enabled_);
        mapDiff("shown", win_.controlShown, shown_);
        mapDiff("menu", win_.menuEnabled, menuOn_);
        mapDiff("check", win_.menuChecked, menuChecked_);
        std::string entry;
        for (const EntryRun& r : win_.entryRuns) {  // appended: no false -Wrestrict
            entry += '[';
            entry += std::to_string(int(r.kind));
            entry += ']';
            entry += Escaped(r.text);
        }
        if (entry != entry_) out_ << "  entry " << entry << "\n";
        entry_ = entry;
        if (win_.stackRows != rows_) {
            for (size_t i = 0; i < win_.stackRows.size(); ++i)
                if (i >= rows_.size() || rows_[i] != win_.stackRows[i])
                    out_ << "  row " << i << " " << Escaped(win_.stackRows[i]) << "\n";
            if (win_.stackRows.size() != rows_.size())
                out_ << "  rows " << win_.stackRows.size() << "\n";
            rows_ = win_.stackRows;
        }
        for (const auto& m : win_.messages)
            out_ << "  msg " << Escaped(m.caption) << " | " << Escaped(m.text) << " | " << m.style
                 << "\n";
        win_.messages.clear();
        if (win_.beeps) out_ << "  beeps " << win_.beeps << "\n";
        win_.beeps = 0;
        if (win_.hasClipboard) out_ << "  clip " << Escaped(win_.clipboard) << "\n";
        win_.hasClipboard = false;
        stateDiff();
    }

    // Runs of changed bytes of record 0 as offset and hex.
    void stateDiff() {
        const std::vector<uint8_t>& now = MainDb()->bytes(0);
        if (now.size() != state_.size()) out_ << "  state-size " << now.size() << "\n";
        static const char* hex = "0123456789abcdef";
        size_t i = 0;
        while (i < now.size()) {
            if (i < state_.size() && state_[i] == now[i]) {
                ++i;
                continue;
            }
            const size_t start = i;
            std::string run;
            while (i < now.size() && !(i < state_.size() && state_[i] == now[i])) {
                run += hex[now[i] >> 4];
                run += hex[now[i] & 15];
                ++i;
            }
            out_ << "  state " << start << " " << run << "\n";
        }
        state_ = now;
    }

    FakeWindow& win_;
    std::ostringstream out_;
    std::map<int, std::string> labels_;
    std::map<int, bool> enabled_, shown_, menuOn_, menuChecked_;
    std::string entry_;
    std::vector<std::string> rows_;
    std::vector<uint8_t> state_;
};

std::string Describe(const ScriptKey& k) {
    if (k.chars.empty()) return std::to_string(k.id);
    // Appended, not "'" + text: g++ 12 at -O3 warns falsely on that form.
    std::string quoted(1, '\'');
    quoted += Escaped(k.chars);
    quoted += '\'';
    return quoted;
}

// "2 2036 +": tokens of four or more digits are command ids, the rest typed.
std::vector<ScriptKey> Keys(const std::string& script) {
    std::vector<ScriptKey> keys;
    std::istringstream in(script);
    for (std::string t; in >> t;) {
        if (t.size() >= 4 && t.find_first_not_of("0123456789") == std::string::npos)
            keys.emplace_back(std::stoi(t));
        else
            keys.emplace_back(t);
    }
    return keys;
}

void Play(Transcript& t, const std::vector<ScriptKey>& keys) {
    for (const ScriptKey& k : keys) {
        RunKey(k);
        t.key(Describe(k));
    }
}

// Keys drawn from `pool` by a fixed generator (mt19937's output sequence is
// the same everywhere; no distribution object, whose mapping is not).
std::vector<ScriptKey> RandomKeys(uint32_t seed, int count, const std::vector<ScriptKey>& pool) {
    std::mt19937 gen(seed);
    std::vector<ScriptKey> keys;
    for (int i = 0; i < count; ++i) keys.push_back(pool[gen() % pool.size()]);
    return keys;
}

// The units of the key-press benchmark: 300 in all, a full stack of values
// with units, metre and second on the first two user buttons.
void Setup(const UnitTable& u) {
    resetKeypadState();
    setDisplayGeometry(0, 280, 280, 5);
    for (int i = 0; i < 300 - 13; ++i)
        DefineUnit("unit" + std::to_string(i), 1.0 + i, {{u.m, 0, 1}}, i % 7);
    setSlot(0, ExpressionOf(u.m));
    setSlot(1, ExpressionOf(u.s));
    setSlot(2, ExpressionOf(u.km));
    setSlot(3, ExpressionOf(u.h, 0, -1));
    setSlot(4, ExpressionOf(u.J));
    setSlot(25, ExpressionOf(u.kg));
    setSlot(26, ExpressionOf(u.ft));
    for (int i = 0; i < State::stackSize() - 1; ++i)
        Push(Value::Real(10.0 + i * 1.25, ExpressionOf(i % 3 == 0   ? u.km
                                                       : i % 3 == 1 ? u.m
                                                                    : u.ft)));
    refreshLabels();
    refreshDisplay();
}

std::string RunEverything() {
    TestDb db;
    SetReductionMemo(MemoMode::On);  // replays must match the recording
    Transcript t(db.win);
    const UnitTable u = MakeUnitTable();
    Setup(u);
    t.note("setup");

    // Unit arithmetic, conversion, per, shifts, memory and Undo.
    const std::vector<ScriptKey> designed = Keys(
        "2 2036 + 2 2036 - 3 * 3 / 4 2037 / 4 2037 * 2041 2043 2000 2000 1 2 . "
        "5 2038 2006 2039 2023 57643 2000 2036 7 2016 2029 9 2040 2037 2010 "
        "2033 2034 2028 2030 2031 2032 2018 2025 2026 2027 2024 2025 2000 2025 "
        "1 e 5 2003 2012 3 2042 2042 2006 2005 2005 2005 2045 2035 2004 2001 "
        "2002 2004 2035 57643 57643 2044 2043 2041 2017 2011 32800 2036 2038 ");
    Play(t, designed);

    std::vector<ScriptKey> floatPool;
    for (int id = 2000; id <= 2045; ++id) floatPool.push_back(id);
    for (const char* c : {"1", "2", "5", "9", "0", ".", "e", "-", "+", "*", "/"})
        floatPool.push_back(c);
    floatPool.push_back(57643);
    Play(t, RandomKeys(7, 400, floatPool));

    // Display modes on the same stack.
    for (int mode = 0; mode < 4; ++mode) {
        State::setDisplayMode(uint8_t(mode));
        refreshDisplay();
        t.note("display mode " + std::to_string(mode));
        Play(t, {"1", "2", "3", ".", "4", "5", "6", "7", 2036, 2006, "1", "/", "3", "e", "9", "*"});
    }
    State::setDisplayMode(0);

    // Integer mode: each radix and word size, signed and not.
    const int radices[] = {ID_RADIX_HEX, ID_RADIX_DEC, ID_RADIX_OCT, ID_RADIX_BIN};
    const int words[] = {ID_WORD_8, ID_WORD_16, ID_WORD_32, ID_WORD_64, ID_WORD_128};
    std::vector<ScriptKey> intPool = floatPool;
    for (const char* c : {"a", "f", "3", "7", "8"}) intPool.push_back(c);
    uint32_t seed = 100;
    for (const int r : radices) {
        for (const int w : words) {
            Play(t, {r, w, "1", "2", "3", 2006, "7", "*", "5", "-", "9", "/", 2003, 57643});
            Play(t, RandomKeys(++seed, 24, intPool));
        }
        State::setSigned(State::signedInts() ? 0 : 1);
        refreshLabels();
        refreshDisplay();
        t.note("signed flipped");
    }
    Play(t, {ID_RADIX_FLOAT});
    Play(t, RandomKeys(999, 300, floatPool));

    // Paste, and a unit put on a button by the assign flow.
    db.win.clipboard = "12.5e3";
    db.win.hasClipboard = true;
    Play(t, {ID_EDIT_PASTE, 2006, ID_UNIT_SETBUTTON, 2036, 2039, 2039, "*"});

    // Start-up on the saved file: load, locate the state record, relabel.
    const std::vector<uint8_t> file = SerializeDatabase(*MainDb());
    t.note("database " + std::to_string(file.size()) + " bytes, digest " +
           std::to_string(Fnv64(file)));
    DeleteProcessWideUnits();
    ReleaseStateRecord();
    TakeMainDb();
    auto loaded = std::make_unique<Database>();
    EXPECT_EQ(ParseDatabase(file.data(), file.size(), FourCC("Data"), FourCC("Kivc"), loaded.get()),
              LoadStatus::Ok);
    SetMainDb(std::move(loaded));
    EXPECT_TRUE(LocateStateRecord());
    db.win.controlText.clear();
    db.win.controlEnabled.clear();
    db.win.entryRuns.clear();
    db.win.stackRows.clear();
    t.forgetShown();
    resetKeypadState();
    setDisplayGeometry(0, 280, 280, 5);
    refreshLabels();
    refreshDisplay();
    t.note("reloaded");
    Play(t, RandomKeys(4242, 200, floatPool));
    const std::vector<uint8_t> again = SerializeDatabase(*MainDb());
    t.note("database " + std::to_string(again.size()) + " bytes, digest " +
           std::to_string(Fnv64(again)));
    ExpectOwnershipSound();
    return t.text();
}

std::vector<std::string> Lines(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(PerfEquivalence, KeyScriptMatchesTheRecordedTranscript) {
    const std::string actual = RunEverything();
    if (std::getenv("KIV_RECORD_GOLDEN")) {
        std::ofstream(kGolden, std::ios::binary | std::ios::trunc) << actual;
        GTEST_SKIP() << "recorded " << kGolden;
    }
    std::ifstream f(kGolden, std::ios::binary);
    ASSERT_TRUE(f) << "missing " << kGolden;
    std::stringstream golden;
    golden << f.rdbuf();
    const std::vector<std::string> want = Lines(golden.str()), got = Lines(actual);
    // The first difference, with the key it belongs to.
    std::string lastKey;
    for (size_t i = 0; i < want.size() && i < got.size(); ++i) {
        if (want[i].rfind("key ", 0) == 0 || want[i].rfind("-- ", 0) == 0) lastKey = want[i];
        ASSERT_EQ(got[i], want[i]) << "transcript line " << i + 1 << ", after " << lastKey;
    }
    EXPECT_EQ(got.size(), want.size());
    EXPECT_GT(want.size(), 2000u);  // the recording really covers the script
}

// The transcript reacts to a change the size of one byte of state, so a
// golden match is a real proof and not a comparison of empty texts.
TEST(PerfEquivalence, TranscriptSeesOneChangedStateByte) {
    TestDb db;
    Transcript t(db.win);
    resetKeypadState();
    refreshLabels();
    refreshDisplay();
    t.note("start");
    const std::string before = t.text();
    State::setPrecision(uint8_t(State::floatPrecision() + 1));
    t.note("after");
    const std::string added = t.text().substr(before.size());
    EXPECT_NE(added.find("  state " + std::to_string(so::kPrecision) + " "), std::string::npos)
        << added;
    RunScript({"4"});
    t.key("4");
    EXPECT_NE(t.text().find("  entry [0]4"), std::string::npos);
    ExpectOwnershipSound();
}

}  // namespace
}  // namespace kiv
