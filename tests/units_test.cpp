// SPDX-License-Identifier: GPL-3.0-or-later
// The unit algebra against a model of its own, remembered reductions and
// the name index against the plain way, the shipped unit lists, and the
// buffer rules of unit text.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <map>
#include <random>
#include <set>

#include "app/core/unitlist.h"
#include "storage/dbfile.h"
#include "storage/state.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unittext.h"

namespace kiv {
namespace {

// A quantity: a scale and the exponents of base units (times 6, so that
// square and cube roots stay whole), read from the records, not by the
// algebra.
struct Quantity {
    double scale = 1;
    std::map<Uid, int> dim;
};
Quantity Times(Quantity q, const Quantity& u, double power) {
    q.scale *= std::pow(u.scale, power);
    for (const auto& [base, e] : u.dim)
        if ((q.dim[base] += int(std::lround(e * power))) == 0) q.dim.erase(base);
    return q;
}
Quantity Model(Uid e) {
    Quantity q;
    for (const Component& c : ComponentsAt(e == NULL_UID ? -1 : MainDb()->findByUid(e))) {
        const int i = MainDb()->findByUid(c.unit);
        Quantity u =
            UnitDefinition(i) == NULL_UID ? Quantity{1, {{c.unit, 6}}} : Model(UnitDefinition(i));
        u.scale *= UnitMagnitude(i) * std::pow(10.0, c.prefix);  // base units are of magnitude 1
        q = Times(q, u, c.exponent);
    }
    return q;
}
// r x factor is the quantity `want`, and so is its reduction to base units.
void ExpectQuantity(Uid r, double factor, const Quantity& want) {
    const Quantity got = Model(r);

    EXPECT_EQ(got.dim, want.dim) << ExpressionText(r);
    EXPECT_NEAR(got.scale * factor, want.scale, 1e-12 * want.scale) << ExpressionText(r);
    double f = factor;
    const Uid base = ReduceToBaseUnits(CopyExpression(r), &f);
    for (const Component& c : Components(base)) EXPECT_EQ(c.prefix, 0);
    EXPECT_EQ(Model(base).dim, want.dim);
    EXPECT_NEAR(f, want.scale, 1e-12 * want.scale);
    DeleteExpression(base);
}

TEST(UnitAlgebra, RandomProductsPowersAndRootsAgreeWithTheModel) {
    for (const unsigned seed : {1u, 2u, 3u, 42u, 1234u}) {
        TestDb db;
        const UnitTable u = MakeUnitTable();
        DefineUnit("mi", 5280, {{u.ft, 0, 1}});
        DefineUnit("kWh", 1, {{u.W, 3, 1}, {u.h, 0, 1}});
        std::vector<Uid> units;
        for (int i = 1; i < MainDb()->count(); ++i)
            if (IsUnitRecord(i)) units.push_back(MainDb()->uid(i));
        std::mt19937 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        auto random = [&] {
            const Uid e = NewExpression();
            for (int n = pick(1, 3); n > 0; --n)
                MultiplyIn(e, units[size_t(pick(0, int(units.size()) - 1))],
                           std::array{0, 0, 0, 3, -3, 2, -6}[size_t(pick(0, 6))],
                           pick(0, 1) ? pick(1, 3) : -pick(1, 3), nullptr);
            return Normalise(e);
        };
        Uid cur = random();
        for (int step = 0; step < 150 && !HasFailure(); ++step) {
            const Uid arg = random();
            const int op = pick(0, 3), d = op == 1 ? -1 : op == 2 ? pick(2, 3) : 1;
            const int k = op == 3 ? pick(2, 3) : 1;
            const Quantity want = Times(Model(cur), Model(arg), double(d) / k);
            SCOPED_TRACE(ExpressionText(cur) + " x (" + ExpressionText(arg) + ")^" +
                         std::to_string(d) + "/" + std::to_string(k));
            double f = 1;
            db.win.clearMessages();
            const Uid r = Product(cur, arg, 0, d, k, pick(0, 1) ? &f : nullptr);
            if (!db.win.messages.empty()) {  // only a root of an indivisible exponent fails
                EXPECT_TRUE(k > 1 && r == NULL_UID && db.win.shownText("fractional exponent"));
            } else {
                ExpectQuantity(r, f, want);
                double sf = f, cf = f;
                const Uid s = Simplify(CopyExpression(r), &sf);
                ExpectQuantity(s, sf, want);
                // Compatible exactly when the dimensions agree.
                const Uid conv = Convert(CopyExpression(r), arg, &cf);
                if (arg != NULL_UID) {
                    EXPECT_EQ(ExpressionsEqual(conv, arg), Model(arg).dim == want.dim);
                    ExpectQuantity(conv, cf, want);
                }
                DeleteExpression(s);
                DeleteExpression(conv);
            }
            // Go on from the result while it stays small, else from a new product.
            const int n = ComponentCount(r);
            const bool keep = n >= 1 && n <= 5 && LargestExponent(r) <= 8;
            for (const Uid e : {arg, cur, keep ? NULL_UID : r}) DeleteExpression(e);
            cur = keep ? r : random();
        }
        DeleteExpression(cur);
        ExpectOwnershipSound();
    }
}

// A shipped list, and a script of conversions around changes to the units
// they read, observed in full (results, factors to the bit, lookups,
// messages, every byte of the database), with remembered reductions off or
// on. Each round also checks that every unit's name reads back as the unit
// (never as a prefix and another unit), that it reduces to base units, and
// that the name index answers as a plain search would.
std::vector<std::string> Script(const char* list, MemoMode mode) {
    TestDb db;
    SetReductionMemo(mode);
    const std::vector<uint8_t> text = ReadBytes(ShippedUnitListFolder() + "/" + list);
    EXPECT_EQ(ReadUnitList({text.begin(), text.end()}, list), 0);
    // What a user relies on: buttons with short labels, none twice, and 40-49
    // left free for the user's own units; the categories named; room for a
    // full stack of values with a unit (a record each), 75 units of the
    // user's (a record and a definition each) and 100 records more.
    std::set<std::string> labels;
    for (int s = 0; s < so::kUserSlots; ++s) {
        const std::string l = ExpressionText(State::userButton(s));
        EXPECT_TRUE(s < 40 ? !l.empty() && l.size() <= 4 && labels.insert(l).second : l.empty())
            << s;
    }
    for (int c = 1; c < 16; ++c) EXPECT_NE(MainDb()->categoryName(c), "");
    EXPECT_GE(int(MainDb()->capacity) - MainDb()->count(), 128 + 2 * 75 + 100);
    std::vector<std::string> log;
    auto convert = [&](std::string pair) {  // "from to"
        ReadUnitList(".btn 48\t1 " + pair.replace(pair.find(' '), 1, "\n.btn 49\t1 "), "pair");
        double f = 1.5, g = 2.5;
        const Uid to = DuplicateExpression(State::userButton(49));
        const Uid r = Convert(DuplicateExpression(State::userButton(48)), to, &f);
        const Uid s = Simplify(DuplicateExpression(State::userButton(48)), &g);
        log.push_back(ExpressionText(r) + ExpressionText(s) + " " +
                      std::to_string(std::bit_cast<uint64_t>(f) ^ std::bit_cast<uint64_t>(g)));
        for (const Uid e : {r, s, to}) DeleteExpression(e);
    };
    auto plain = [](const std::string& name) {  // the first unit of that name, or 0
        for (int i = 1; i < MainDb()->count(); ++i)
            if (UnitName(i) == name) return i;
        return 0;
    };
    auto round = [&] {
        for (const char* p : {"ft m", "galUS L", "BTU Wh", "psi mmHg", "hp W", "fathom m",
                              "ft galUS", "foot m", "mon s", "km2 ft2", "cm3 mL", "kW*h J"})
            convert(p);
        for (int i = 1; i < MainDb()->count(); ++i) {
            if (!IsUnitRecord(i)) continue;
            const Uid uid = MainDb()->uid(i);
            EXPECT_EQ(FindUnitByName(UnitName(i)), plain(UnitName(i))) << UnitName(i);
            EXPECT_EQ(ReadUnitList(".btn 47\t1 " + UnitName(i), "name"), 0);
            EXPECT_EQ(Components(State::userButton(47)), (std::vector<Component>{{uid, 0, 1}}));
            double f = 1;
            const Uid base = ReduceToBaseUnits(ExpressionOf(uid), &f);
            for (const Component& c : Components(base))
                EXPECT_EQ(UnitDefinition(MainDb()->findByUid(c.unit)), NULL_UID) << UnitName(i);
            EXPECT_TRUE(std::isnormal(f)) << UnitName(i);
            DeleteExpression(base);
        }
        for (const char* n : {"min", "mon", "yds", "lbf", "kip"})  // renamed, added, deleted
            EXPECT_EQ(FindUnitByName(n), plain(n)) << n;
        for (const auto& message : db.win.messages) log.push_back(message.text);
        db.win.clearMessages();
        const std::vector<uint8_t> bytes = SerializeDatabase(*MainDb());
        log.emplace_back(bytes.begin(), bytes.end());
    };
    round();
    round();
    const int yd = NewAppRecord(uo::kName + 4, 0);  // a unit appended without a sort
    MainDb()->writeAt(yd, 0, "\x80\0\0\0", 4);
    MainDb()->writeU32(yd, uo::kDefinition, NULL_UID);
    MainDb()->writeAt(yd, uo::kName, "yds", 4);
    round();
    EXPECT_TRUE(RedefineUnit(FindUnitByName("ft"), 0.3, LookUpUnitExpression("m")));
    round();
    MainDb()->writeF64(FindUnitByName("ft"), uo::kMagnitude, 0.25);
    MainDb()->writeAt(FindUnitByName("min"), uo::kName, "mon", 3);
    round();
    EXPECT_EQ(ReadUnitList("ft 1 0.3048 m\nfathom 1 6 ft\n", "again"), 0);
    EXPECT_EQ(RenameUnit(FindUnitByName("ft"), "foot", 1), 0);
    round();
    State::setSaved(0, Value::Real(1, LookUpUnitExpression("kip")));
    State::setSavedCount(1);
    DeleteUnitAndDependents(FindUnitByName("lbf"));  // kip goes with it, and the saved value
    EXPECT_EQ(State::savedCount(), 0);
    round();
    std::vector<Uid> held;
    while (MainDb()->count() < int(MainDb()->capacity)) {
        held.push_back(NewExpression());
        if (MainDb()->count() > int(MainDb()->capacity) - 12) convert("BTU Wh");
    }
    for (const Uid e : held) DeleteExpression(e);
    round();
    ExpectOwnershipSound();
    return log;
}

TEST(ShippedListsAndRememberedReductions, AsThePlainWay) {
    for (const char* list : kShippedUnitLists) {
        const std::vector<std::string> off = Script(list, MemoMode::Off);
        const std::vector<std::string> on = Script(list, MemoMode::On);
        ASSERT_EQ(off.size(), on.size()) << list;
        for (size_t i = 0; i < off.size(); ++i) ASSERT_EQ(off[i], on[i]) << list << " " << i;
    }
}

// An expression's component count is a byte: the 256th unit is refused
// and the expression keeps its 255.
TEST(UnitAlgebra, AnExpressionHoldsAtMost255Units) {
    TestDb db;
    const Uid e = NewExpression();
    for (int i = 0; i < 256; ++i)
        MultiplyIn(e, DefineUnit(std::to_string(i).insert(0, 1, 'u'), 1, {}), 0, 1, nullptr);
    EXPECT_EQ(Components(e).size(), 255u);
    EXPECT_TRUE(db.win.shownText("There is not enough free memory."));
    DeleteExpression(e);
}

TEST(UnitText, BufferRules) {
    TestDb db;
    const UnitTable u = MakeUnitTable();
    char buf[8];
    EXPECT_EQ(FormatComponent(buf, 3, u.m, 3, 2) * 10 + FormatComponent(buf, 2, u.m, 3, 2), 30);
    const Uid e = MakeExpr({{u.kg, 0, 1}, {u.s, 0, -2}}), inv = MakeExpr({{u.s, 0, -1}});
    for (int size = 0; size <= 6; ++size) EXPECT_EQ(FormatExpression(buf, size, e), size < 6);
    EXPECT_EQ(std::string(buf), "kg/s\xC2");
    EXPECT_EQ(FormatExpression(buf, 3, inv) * 10 + FormatExpression(buf, 4, inv), 10);
    EXPECT_EQ(FormatExpression(buf, 1, NULL_UID) * 10 + buf[0] + FormatExpression(buf, 8, 99999),
              1);
    EXPECT_TRUE(db.win.shownText("A database error of type 3"));
    DeleteExpression(e);
    DeleteExpression(inv);
}

}  // namespace
}  // namespace kiv
