// Remembered reductions: every operation is run once with the memo off and
// once with it on, from the same database, and everything the two leave
// behind is compared: results, factors to the bit, messages, the UID counter
// and every record's UID, attributes and bytes. The scripts repeat
// reductions (so that the memo replays them) around changes to the units
// they read.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "storage/maindb.h"
#include "storage/unitlist.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unitrec.h"
#include "units/unittext.h"

namespace kiv {
namespace {

std::string ShippedList() {
    std::ifstream f(std::string(KIV_SOURCE_DATA_DIR) + "/units-US.txt", std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// What a run leaves that anyone could see, one line per observation.
class Log {
  public:
    explicit Log(FakeWindow& w) : win_(w) {}

    void result(const std::string& what, Uid r, double factor) {
        uint64_t bits = 0;
        std::memcpy(&bits, &factor, sizeof bits);
        std::ostringstream o;
        o << what << " -> uid " << r << " [" << (r == NULL_UID ? "" : ExpressionText(r))
          << "] factor " << std::hex << bits;
        lines.push_back(o.str());
        table();
    }
    void table() {
        const Database& db = *MainDb();
        std::ostringstream o;
        o << "next " << db.nextUid << " count " << db.count();
        for (const RecordEntry& r : db.table()) {
            o << " | " << r.uid << ":" << r.attributes << ":";
            for (const uint8_t b : r.data) o << int(b) << ",";
        }
        for (const auto& m : win_.messages) o << " msg " << m.text;
        win_.clearMessages();
        lines.push_back(o.str());
    }

    std::vector<std::string> lines;

  private:
    FakeWindow& win_;
};

using Script = std::function<void(Log&)>;

std::vector<std::string> RunWith(MemoMode mode, const Script& script) {
    TestDb db;
    SetReductionMemo(mode);
    EXPECT_EQ(ReadUnitList(ShippedList(), "units-US.txt"), 0);
    Log log(db.win);
    script(log);
    ExpectOwnershipSound();
    SetReductionMemo(MemoMode::Checked);
    return log.lines;
}

void ExpectSameWithAndWithoutMemo(const Script& script) {
    const std::vector<std::string> off = RunWith(MemoMode::Off, script);
    const std::vector<std::string> on = RunWith(MemoMode::On, script);
    ASSERT_EQ(off.size(), on.size());
    for (size_t i = 0; i < off.size(); ++i) ASSERT_EQ(off[i], on[i]) << "observation " << i;
}

Uid Unit(const std::string& name, int prefix = 0, int exponent = 1) {
    Uid u = NULL_UID;
    EXPECT_NE(FindUnitByName(name, &u), 0) << name;
    return ExpressionOf(u, prefix, exponent);
}

// Converts `from` to `to` (both deleted), logging result and factor.
void LogConvert(Log& log, Uid from, Uid to) {
    double f = 1.5;
    const std::string what = "convert " + ExpressionText(from) + " to " + ExpressionText(to);
    const Uid r = Convert(from, to, &f);
    log.result(what, r, f);
    DeleteExpression(r);
    DeleteExpression(to);
}

void ConvertNames(Log& log, const std::string& from, const std::string& to) {
    LogConvert(log, Unit(from), Unit(to));
}

TEST(ReductionMemo, RepeatedConversionsLeaveTheSameDatabase) {
    ExpectSameWithAndWithoutMemo([](Log& log) {
        const char* pairs[][2] = {{"ft", "m"},     {"galUS", "L"}, {"BTU", "Wh"},   {"psi", "mmHg"},
                                  {"mi", "nmi"},   {"ft", "m"},    {"BTU", "Wh"},   {"mph", "kn"},
                                  {"galUS", "L"},  {"hp", "W"},    {"psi", "mmHg"}, {"hp", "W"},
                                  {"ft", "galUS"}, {"ft", "galUS"}};
        for (int round = 0; round < 3; ++round)
            for (const auto& p : pairs) ConvertNames(log, p[0], p[1]);
        // Prefixes and powers make their own keys.
        for (int round = 0; round < 2; ++round) {
            LogConvert(log, Unit("m", 3, 2), Unit("ft", 0, 2));
            LogConvert(log, Unit("m", -2, 3), Unit("L", -3, 1));
            LogConvert(log, Unit("m", 0, -1), Unit("ft", 0, -1));
        }
    });
}

TEST(ReductionMemo, ReduceAndSimplifyReplayToo) {
    ExpectSameWithAndWithoutMemo([](Log& log) {
        for (int round = 0; round < 3; ++round) {
            for (const char* name : {"BTU", "hp", "psi", "Wh", "mph"}) {
                double f = 2.0;
                const Uid r = ReduceToBaseUnits(Unit(name), &f);
                log.result(std::string("reduce ") + name, r, f);
                DeleteExpression(r);
            }
            Uid u = NULL_UID;
            FindUnitByName("W", &u);
            Uid h = NULL_UID;
            FindUnitByName("h", &h);
            const Uid wh = MakeExpr({{u, 3, 1}, {h, 0, 1}});
            double f = 1.0;
            const Uid s = Simplify(wh, &f);
            log.result("simplify kW*h", s, f);
            DeleteExpression(s);
        }
    });
}

TEST(ReductionMemo, ChangedUnitsAreReadAgain) {
    ExpectSameWithAndWithoutMemo([](Log& log) {
        ConvertNames(log, "fathom", "m");
        ConvertNames(log, "fathom", "m");
        // ft (under fathom) gets a new magnitude: a replay would keep the
        // old one.
        const int ft = FindUnitByName("ft");
        ASSERT_TRUE(RedefineUnit(ft, 0.3, Unit("m")));
        ConvertNames(log, "fathom", "m");
        ConvertNames(log, "fathom", "m");
        // The same through a plain write to the record.
        MainDb()->writeF64(FindUnitByName("ft"), uo::kMagnitude, 0.25);
        ConvertNames(log, "fathom", "m");
        // Re-reading a list replaces ft and the units built on it.
        ASSERT_EQ(ReadUnitList("ft 1 0.3048 m\nfathom 1 6 ft\n", "again"), 0);
        ConvertNames(log, "fathom", "m");
        ConvertNames(log, "ft", "m");
        // A renamed unit keeps its meaning; the name index must follow.
        ASSERT_EQ(RenameUnit(FindUnitByName("ft"), "foot", 1), 0);
        EXPECT_EQ(FindUnitByName("ft"), 0);
        ConvertNames(log, "foot", "m");
        ConvertNames(log, "fathom", "m");
    });
}

TEST(ReductionMemo, DeletedUnitsAreNotReplayed) {
    ExpectSameWithAndWithoutMemo([](Log& log) {
        ConvertNames(log, "hp", "W");
        ConvertNames(log, "hp", "W");
        Uid hp = NULL_UID, w = NULL_UID;
        FindUnitByName("hp", &hp);
        FindUnitByName("W", &w);
        const Uid from = ExpressionOf(hp), to = ExpressionOf(w);
        // Deleting a unit under hp removes hp too; the expressions held here
        // are then left naming nothing, and the conversion must fail the
        // same way with and without the memo.
        DeleteUnitAndDependents(FindUnitByName("lbf"));
        log.table();
        EXPECT_EQ(FindUnitByName("hp"), 0);
        double f = 1.0;
        const Uid r = Convert(from, to, &f);
        log.result("convert after delete", r, f);
        DeleteExpression(r);
        DeleteExpression(to);
        ConvertNames(log, "ft", "m");
    });
}

TEST(ReductionMemo, AFullTableFailsAsTheFullReductionWould) {
    ExpectSameWithAndWithoutMemo([](Log& log) {
        ConvertNames(log, "BTU", "Wh");
        ConvertNames(log, "BTU", "Wh");
        // Fill the table until the conversion no longer has room for its
        // intermediate records, converting at every size on the way.
        std::vector<Uid> held;
        while (MainDb()->count() < int(MainDb()->capacity)) {
            held.push_back(NewExpression());
            if (MainDb()->count() > int(MainDb()->capacity) - 12) ConvertNames(log, "BTU", "Wh");
        }
        for (const Uid e : held) DeleteExpression(e);
        ConvertNames(log, "BTU", "Wh");
    });
}

// FindUnitByName, asked often enough for the name index to be built (the
// first lookups after a change search the table); every answer must agree.
int Lookup(const std::string& name, Uid* uid = nullptr) {
    const int first = FindUnitByName(name, uid);
    for (int i = 0; i < 10; ++i) {
        Uid again = NULL_UID;
        EXPECT_EQ(FindUnitByName(name, &again), first) << name << " lookup " << i;
        if (uid && first != 0) {
            EXPECT_EQ(again, *uid) << name;
        }
    }
    return first;
}

TEST(ReductionMemo, TheNameIndexFindsUnitsAddedAndRemoved) {
    TestDb db;
    const UnitTable u = MakeUnitTable();
    Uid found = NULL_UID;
    ASSERT_NE(Lookup("ft", &found), 0);
    EXPECT_EQ(found, u.ft);
    EXPECT_EQ(Lookup("yd"), 0);
    // A unit record appended without a sort is found at the table's end.
    const int index = NewAppRecord(uo::kName + 3, 0);
    Database& d = *MainDb();
    d.writeU8(index, 0, KIND_UNIT);
    d.writeF64(index, uo::kMagnitude, 3.0);
    d.writeU32(index, uo::kDefinition, NULL_UID);
    d.writeAt(index, uo::kName, "yd", 2);
    EXPECT_EQ(Lookup("yd", &found), index);
    EXPECT_EQ(found, d.uid(index));
    // Records before it go away: the unit moves down.
    const Uid ydUid = d.uid(index);
    DeleteExpression(MakeExpr({{u.m, 0, 1}}));
    DeleteExpression(MakeExpr({{u.s, 0, 1}}));
    EXPECT_EQ(d.uid(Lookup("yd")), ydUid);
    // A name written over an old one.
    d.writeAt(Lookup("min"), uo::kName, "mon", 3);
    EXPECT_EQ(Lookup("min"), 0);
    EXPECT_NE(Lookup("mon"), 0);
    // Removed, with ha (defined through km).
    DeleteUnitAndDependents(Lookup("km"));
    EXPECT_EQ(Lookup("km"), 0);
    EXPECT_EQ(Lookup("ha"), 0);
    EXPECT_NE(Lookup("h"), 0);
    ExpectOwnershipSound();
}

}  // namespace
}  // namespace kiv
