// The text form of unit expressions.
#include <gtest/gtest.h>

#include "support/ownership.h"
#include "support/test_db.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "units/unittext.h"

namespace kiv {
namespace {

std::string Sup(const char* digits) {
    std::string s;
    for (const char* p = digits; *p; ++p) s.push_back(char(uint8_t(*p) + 0x90));
    return s;
}

class Text : public ::testing::Test {
  protected:
    TestDb db;
    UnitTable u = MakeUnitTable();
    void TearDown() override { ExpectOwnershipSound(); }
};

TEST_F(Text, Forms) {
    struct Row {
        const char* name;
        std::vector<Component> comps;
        std::string text;
    };
    const std::vector<Row> rows = {
        {"one unit", {{u.m, 0, 1}}, "m"},
        {"prefixed product", {{u.m, 3, 1}, {u.s, 0, 1}}, "km*s"},
        {"quotient with exponent", {{u.m, 0, 1}, {u.s, 0, -2}}, "m/" + std::string("s") + Sup("2")},
        {"no numerator", {{u.s, 0, -1}}, "1/s"},
        {"stored order", {{u.s, 0, -1}, {u.m, 0, 1}}, "m/s"},
        {"two and two",
         {{u.kg, 0, 1}, {u.m, 0, 2}, {u.s, 0, -2}, {u.A, 0, -1}},
         "kg*m" + Sup("2") + "/s" + Sup("2") + "*A"},
        {"millisecond", {{u.s, -3, 1}}, "ms"},
        {"metre second", {{u.m, 0, 1}, {u.s, 0, 1}}, "m*s"},
        {"two digits", {{u.m, 0, 12}}, "m" + Sup("12")},
        {"exponent -128", {{u.m, 0, -128}}, "1/m" + Sup("128")},
        {"power without letter", {{u.m, 4, 1}}, "?m"},
        {"deca and hecto", {{u.m, 1, 1}, {u.s, 2, 1}}, "Dm*Hs"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Uid e = NewExpression();
        for (const Component& c : row.comps) MultiplyIn(e, c.unit, c.prefix, c.exponent, nullptr);
        EXPECT_EQ(ExpressionText(e), row.text);
        DeleteExpression(e);
    }
    EXPECT_EQ(ExpressionText(NULL_UID), "");
}

TEST_F(Text, BufferTooSmall) {
    const Uid e = MakeExpr({{u.kg, 0, 1}, {u.s, 0, -2}});  // "kg/s2": 5 bytes + zero
    char buf[16];
    EXPECT_EQ(FormatExpression(buf, 6, e), 0);
    EXPECT_EQ(std::string(buf), "kg/s" + Sup("2"));
    for (int size = 0; size < 6; ++size) {
        SCOPED_TRACE(size);
        EXPECT_EQ(FormatExpression(buf, size, e), 1);
    }
    const Uid inv = MakeExpr({{u.s, 0, -1}});
    EXPECT_EQ(FormatExpression(buf, 3, inv), 1);  // "1/" fits, "s" does not
    EXPECT_EQ(FormatExpression(buf, 4, inv), 0);
    EXPECT_EQ(FormatExpression(buf, 1, NULL_UID), 0);
    EXPECT_EQ(buf[0], 0);
    DeleteExpression(e);
    DeleteExpression(inv);
}

TEST_F(Text, MissingExpressionFails) {
    char buf[16];
    EXPECT_EQ(FormatExpression(buf, 16, 99999), 1);
    EXPECT_TRUE(db.win.shownText("A database error of type 3"));
}

TEST_F(Text, PrefixLetters) {
    const int powers[] = {1,  2,  3,  6,  9,  12,  15,  18,  21,  24,
                          -1, -2, -3, -6, -9, -12, -15, -18, -21, -24};
    const char letters[] = "DHkMGTPEZYdcmunpfazy";
    for (int i = 0; i < 20; ++i) {
        char c = 0;
        EXPECT_EQ(PrefixLetter(&c, 1, powers[i]), 1);
        EXPECT_EQ(c, letters[i]);
        EXPECT_EQ(PrefixPower(letters[i]), powers[i]);
    }
    char c = 'x';
    EXPECT_EQ(PrefixLetter(&c, 1, 0), 0);
    EXPECT_EQ(PrefixLetter(&c, 0, 3), 0);
    EXPECT_EQ(c, 'x');
    EXPECT_EQ(PrefixLetter(&c, 1, 5), 1);
    EXPECT_EQ(c, '?');
    EXPECT_EQ(PrefixPower('?'), 0);
    EXPECT_EQ(PrefixPower('q'), 0);
}

TEST_F(Text, FormatComponentRoom) {
    char buf[8] = {};
    EXPECT_EQ(FormatComponent(buf, 3, u.m, 3, 2), 3);
    EXPECT_EQ(std::string(buf, 3), "km" + Sup("2"));
    EXPECT_EQ(FormatComponent(buf, 2, u.m, 3, 2), 0);
    EXPECT_EQ(FormatComponent(buf, 8, 99999, 0, 1), 0);
}

}  // namespace
}  // namespace kiv
