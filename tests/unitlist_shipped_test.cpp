// The unit lists shipped with the program: each imports cleanly, converts
// as the published exact factors say, keeps the plain names of its own
// country, and leaves room for a user's stack, memories, buttons and units.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "storage/unitlist.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "units/algebra.h"
#include "units/unittext.h"

namespace kiv {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::string ShippedText(const std::string& name) {
    std::ifstream f(ShippedUnitListFolder() + "/" + name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

struct Factor {
    const char* from;
    const char* to;
    double expected;
};

// Published exact factors (or the stated conventional values).
const Factor kCommon[] = {
    {"ft", "m", 0.3048},
    {"in", "cm", 2.54},
    {"yd", "m", 0.9144},
    {"mi", "km", 1.609344},
    {"nmi", "m", 1852},
    {"mil", "mm", 0.0254},
    {"point", "in", 1.0 / 72},
    {"pica", "in", 1.0 / 6},
    {"fathom", "m", 1.8288},
    {"chain", "m", 20.1168},
    {"fur", "m", 201.168},
    {"league", "km", 4.828032},
    {"ftUS", "m", 1200.0 / 3937},
    {"miUS", "m", 6336000.0 / 3937},
    {"angstrom", "nm", 0.1},
    {"micron", "um", 1},
    {"au", "m", 149597870700.0},
    {"ly", "m", 9460730472580800.0},
    {"pc", "m", 648000 / kPi * 149597870700.0},
    {"acre", "m2", 4046.8564224},
    {"ha", "m2", 1e4},
    {"are", "m2", 100},
    {"barn", "m2", 1e-28},
    {"L", "m3", 1e-3},
    {"L", "dm3", 1},
    {"cc", "mL", 1},
    {"galUS", "L", 3.785411784},
    {"qtUS", "L", 0.946352946},
    {"ptUS", "mL", 473.176473},
    {"flozUS", "mL", 29.5735295625},
    {"galUK", "L", 4.54609},
    {"qtUK", "L", 1.1365225},
    {"ptUK", "mL", 568.26125},
    {"flozUK", "mL", 28.4130625},
    {"buUS", "L", 35.23907016688},
    {"buUK", "L", 36.36872},
    {"bbl", "L", 158.987294928},
    {"lb", "kg", 0.45359237},
    {"oz", "g", 28.349523125},
    {"gr", "mg", 64.79891},
    {"ozt", "g", 31.1034768},
    {"ct", "mg", 200},
    {"t", "kg", 1000},
    {"tonUS", "kg", 907.18474},
    {"tonUK", "kg", 1016.0469088},
    {"cwtUS", "kg", 45.359237},
    {"cwtUK", "kg", 50.80234544},
    {"Da", "kg", 1.66053906892e-27},
    {"slug", "kg", 0.45359237 * 9.80665 / 0.3048},
    {"lbf", "N", 4.4482216152605},
    {"kgf", "N", 9.80665},
    {"dyn", "N", 1e-5},
    {"pdl", "N", 0.138254954376},
    {"kip", "kN", 4.4482216152605},
    {"psi", "Pa", 4.4482216152605 / 0.00064516},
    {"ksi", "MPa", 4.4482216152605 / 0.00064516 / 1000},
    {"atm", "Pa", 101325},
    {"bar", "kPa", 100},
    {"hPa", "Pa", 100},
    {"Torr", "Pa", 101325.0 / 760},
    {"mmHg", "Pa", 133.322387415},
    {"inHg", "Pa", 3386.388640341},
    {"J", "erg", 1e7},
    {"eV", "J", 1.602176634e-19},
    {"calth", "J", 4.184},
    {"calIT", "J", 4.1868},
    {"BTU", "J", 1055.05585262},
    {"BTU", "calIT", 1055.05585262 / 4.1868},
    {"Wh", "J", 3600},
    {"kWh", "MJ", 3.6},
    {"ftlbf", "J", 1.3558179483314004},
    {"toe", "GJ", 41.868},
    {"hp", "W", 745.69987158227022},
    {"hpI", "W", 745.69987158227022},
    {"hpM", "W", 735.49875},
    {"hpE", "W", 746},
    {"VA", "W", 1},
    {"min", "s", 60},
    {"h", "s", 3600},
    {"d", "min", 1440},
    {"wk", "h", 168},
    {"yr", "d", 365.25},
    {"mph", "m/s", 0.44704},
    {"kn", "m/s", 1852.0 / 3600},
    {"kph", "m/s", 1 / 3.6},
    {"c", "km/s", 299792.458},
    {"gn", "m/s2", 9.80665},
    {"Gal", "cm/s2", 1},
    {"adeg", "rad", kPi / 180},
    {"arcmin", "adeg", 1.0 / 60},
    {"arcsec", "rad", kPi / 648000},
    {"rev", "adeg", 360},
    {"grad", "adeg", 0.9},
    {"rpm", "rad/s", 2 * kPi / 60},
    {"sr", "rad2", 1},
    {"B", "bit", 8},
    {"byte", "B", 1},
    {"KiB", "B", 1024},
    {"MiB", "KiB", 1024},
    {"GiB", "B", 1073741824.0},
    {"TiB", "GiB", 1024},
    {"Hz", "/s", 1},
    {"kat", "mol/s", 1},
    {"molar", "mol/m3", 1000},
    {"lx", "cd*sr/m2", 1},
    {"fc", "lx", 1 / 0.09290304},
    {"degR", "K", 5.0 / 9},
    {"Ah", "C", 3600},
    {"ohm", "V/A", 1},
    {"S", "/ohm", 1},
    {"F", "C/V", 1},
    {"H", "Wb/A", 1},
    {"T", "Wb/m2", 1},
    {"gauss", "T", 1e-4},
    {"P", "Pa*s", 0.1},
    {"Ci", "Bq", 3.7e10},
    {"R", "C/kg", 2.58e-4},
    {"rem", "Sv", 0.01},
    {"Gy", "J/kg", 1},
    {"N", "kg*m/s2", 1},
    {"W", "kg*m2/s3", 1},
    {"thou", "mm", 0.0254},
    {"acreft", "m3", 1233.48183754752},
    {"dwt", "g", 1.55517384},
    {"lbt", "g", 373.2417216},
    {"ozf", "N", 0.45359237 / 16 * 9.80665},
    {"at", "Pa", 98066.5},
    {"tTNT", "GJ", 4.184},
    {"TR", "W", 12000 * 1055.05585262 / 3600},
    {"Mx", "Wb", 1e-8},
    {"nit", "cd/m2", 1},
};

const Factor kUs[] = {
    {"gal", "L", 3.785411784},
    {"gal", "in3", 231},
    {"qt", "L", 0.946352946},
    {"pt", "mL", 473.176473},
    {"floz", "mL", 29.5735295625},
    {"cup", "mL", 236.5882365},
    {"tbsp", "mL", 14.78676478125},
    {"tsp", "mL", 4.92892159375},
    {"bu", "L", 35.23907016688},
    {"ton", "kg", 907.18474},
    {"ton", "lb", 2000},
    {"cwt", "lb", 100},
    {"cal", "J", 4.184},
};

const Factor kUk[] = {
    {"gal", "L", 4.54609},       {"qt", "L", 1.1365225},      {"pt", "mL", 568.26125},
    {"floz", "mL", 28.4130625},  {"gill", "mL", 142.0653125}, {"bu", "L", 36.36872},
    {"ton", "kg", 1016.0469088}, {"ton", "lb", 2240},         {"cwt", "lb", 112},
    {"st", "kg", 6.35029318},    {"cal", "J", 4.184},
};

class Shipped : public ::testing::TestWithParam<const char*> {
  protected:
    TestDb db;
    void SetUp() override {
        const std::string text = ShippedText(GetParam());
        ASSERT_FALSE(text.empty()) << GetParam();
        ASSERT_EQ(ReadUnitList(text, GetParam()), 0);
        ASSERT_TRUE(db.win.messages.empty()) << db.win.messages[0].text;
    }
    void TearDown() override { ExpectOwnershipSound(); }

    bool IsUs() const { return std::string(GetParam()) == "units-US.txt"; }

    // An expression written as in a list ("km/h", "m2"), read as a list
    // would read it.
    static Uid Expr(const std::string& text) {
        const Uid before = DuplicateExpression(State::userButton(49));
        if (ReadUnitList(".btn 49\t1 " + text + "\n", "test") != 0) return NULL_UID;
        const Uid e = DuplicateExpression(State::userButton(49));
        setSlot(49, before);
        return e;
    }

    // The factor that turns a number in `from` into one in `to`; NaN when
    // they are not compatible.
    static double Ratio(const std::string& from, const std::string& to) {
        const Uid a = Expr(from), b = Expr(to);
        if (a == NULL_UID || b == NULL_UID) {
            DeleteExpression(a);
            DeleteExpression(b);
            return std::nan("");
        }
        double f = 1.0;
        const Uid r = kiv::Convert(a, b, &f);
        const bool ok = ExpressionsEqual(r, b);
        DeleteExpression(r);
        DeleteExpression(b);
        return ok ? f : std::nan("");
    }

    void Check(const Factor& c) {
        const double got = Ratio(c.from, c.to);
        EXPECT_NEAR(got, c.expected, std::fabs(c.expected) * 1e-12)
            << GetParam() << ": 1 " << c.from << " in " << c.to;
    }
};

TEST_P(Shipped, ConvertsByThePublishedFactors) {
    int checked = 0;
    for (const Factor& c : kCommon) {
        Check(c);
        ++checked;
    }
    const std::vector<Factor> own = IsUs() ? std::vector<Factor>(std::begin(kUs), std::end(kUs))
                                           : std::vector<Factor>(std::begin(kUk), std::end(kUk));
    for (const Factor& c : own) {
        Check(c);
        ++checked;
    }
    EXPECT_GE(checked, 60);
    EXPECT_TRUE(db.win.messages.empty());
}

TEST_P(Shipped, CountryNamesAndVariants) {
    // The plain names follow the country; the explicit variants are in both.
    const double gal = Ratio("gal", "L"), pt = Ratio("pt", "mL"), floz = Ratio("floz", "mL");
    const double ton = Ratio("ton", "kg"), cwt = Ratio("cwt", "kg");
    EXPECT_NEAR(gal, IsUs() ? 3.785411784 : 4.54609, 1e-12);
    EXPECT_NEAR(pt, IsUs() ? 473.176473 : 568.26125, 1e-10);
    EXPECT_NEAR(floz, IsUs() ? 29.5735295625 : 28.4130625, 1e-11);
    EXPECT_NEAR(ton, IsUs() ? 907.18474 : 1016.0469088, 1e-10);
    EXPECT_NEAR(cwt, IsUs() ? 45.359237 : 50.80234544, 1e-11);
    for (const char* name : {"galUS", "galUK", "ptUS",  "ptUK",  "flozUS", "flozUK", "qtUS",
                             "qtUK",  "tonUS", "tonUK", "cwtUS", "cwtUK",  "calIT",  "calth",
                             "hpI",   "hpM",   "hpE",   "ftUS",  "miUS",   "buUS",   "buUK"})
        EXPECT_NE(FindUnitByName(name), 0) << name;
    // Customary units only one country uses.
    EXPECT_EQ(FindUnitByName("st") != 0, !IsUs());
    EXPECT_EQ(FindUnitByName("cup") != 0, IsUs());
}

TEST_P(Shipped, NamesCategoriesAndButtons) {
    const Database& d = *MainDb();
    int units = 0;
    for (int i = 1; i < d.count(); ++i) {
        if (!IsUnitRecord(i)) continue;
        ++units;
        const std::string name = UnitName(i);
        EXPECT_TRUE(name.size() >= 1 && name.size() <= 10) << name;
        for (char c : name) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) << name;
        EXPECT_GE(CategoryOfRecord(i), 1) << name;
        // Every unit reduces to base units, and its own name reads back as
        // the unit itself (no name is taken for a prefix and another unit).
        const Uid self = Expr(name);
        EXPECT_EQ(Components(self), (std::vector<Component>{{d.uid(i), 0, 1}})) << name;
        DeleteExpression(self);
    }
    EXPECT_GE(units, 155);
    for (int c = 1; c < Database::kCategories; ++c) EXPECT_FALSE(d.categoryName(c).empty()) << c;
    // The angle units the trigonometric functions look up.
    EXPECT_NE(FindUnitByName("adeg"), 0);
    EXPECT_NE(FindUnitByName("rad"), 0);
    EXPECT_EQ(UnitDefinition(FindUnitByName("rad")), NULL_UID);
    // The first bank is full, the second leaves room for the user's own
    // units; short labels, no unit twice.
    std::vector<std::string> labels;
    for (int s = 0; s < so::kUserSlots; ++s) {
        const std::string text = ExpressionText(State::userButton(s));
        if (s >= 25 && text.empty()) continue;
        EXPECT_FALSE(text.empty()) << s;
        EXPECT_LE(text.size(), 4u) << text;
        EXPECT_EQ(std::count(labels.begin(), labels.end(), text), 0) << text;
        labels.push_back(text);
    }
}

TEST_P(Shipped, RoomForAFullStackMemoriesButtonsAndMoreUnits) {
    const Uid m = [] {
        Uid u = NULL_UID;
        FindUnitByName("m", &u);
        return u;
    }();
    ASSERT_TRUE(SetStackSize(128));
    for (int i = 0; i < 128; ++i) ASSERT_TRUE(Push(Value::Real(i + 1, ExpressionOf(m, 3, 2))));
    ASSERT_EQ(Depth(), 128);
    for (int i = 0; i < so::kMemoryCount; ++i)
        State::setMemory(i, Value::Real(i, ExpressionOf(m, 0, i + 1)));
    for (int s = 0; s < so::kUserSlots; ++s) setSlot(s, ExpressionOf(m, 0, s + 2));
    for (int i = 0; i < 75; ++i) {
        const Uid def = ExpressionOf(m, -3, 1);
        ASSERT_NE(CreateUnit("user" + std::to_string(i), i + 2.0, def, 0), NULL_UID) << i;
    }
    State::setEntryUnit(ExpressionOf(m));
    SaveArguments(2);
    const int used = MainDb()->count(), capacity = int(MainDb()->capacity);
    EXPECT_TRUE(db.win.messages.empty());
    // Room left for the intermediate expressions of any operation.
    EXPECT_GE(capacity - used, 100) << "records used " << used;
    RecordProperty("records_used", used);
    std::printf("%s: %d of %d records used with everything full\n", GetParam(), used, capacity);
}

INSTANTIATE_TEST_SUITE_P(Lists, Shipped, ::testing::Values("units-US.txt", "units-UK.txt"),
                         [](const auto& info) { return std::string(info.param).substr(6, 2); });

TEST(ShippedLists, SourcesAreNamedAndLinesEndPlainly) {
    for (const char* name : kShippedUnitLists) {
        const std::string text = ShippedText(name);
        EXPECT_NE(text.find("# Sources of the exact definitions:"), std::string::npos) << name;
        EXPECT_EQ(text.find('\r'), std::string::npos) << name;  // either line end reads
        for (char c : text) EXPECT_LT(uint8_t(c), 0x80) << name;
    }
}

}  // namespace
}  // namespace kiv
