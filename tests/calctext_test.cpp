// The layout walk (measure and render share it), plain-text conversion,
// separators, font pair metrics and drawing-scope nesting.
#include "app/core/calctext.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_window.h"

namespace kiv {
namespace {

class CalcTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSeparators('.', ',');
        CreateFonts();
    }
    void TearDown() override { SetSeparators('.', ','); }

    static int W(const std::string& plain) {
        int w = 0;
        for (unsigned char c : plain) w += FakeWindow::ByteWidth(FontId::EntryLarge, c);
        return w;
    }
    FakeWindow win;
};

std::string Describe(const std::vector<EntryRun>& runs) {
    std::string s;
    for (const auto& r : runs) {
        s += r.kind == RunKind::Plain ? "P:" : r.kind == RunKind::DecimalMark ? "D:" : "S:";
        s += r.text == "\x95" ? std::string("bullet") : r.text;
        s += "|";
    }
    return s;
}

TEST_F(CalcTextTest, EmptyTextClearsTheEntryLine) {
    win.entryRuns = {{"old", RunKind::Plain}};
    EXPECT_EQ(RenderEntryText("", 0, 0, 300, EntryFontPair()), 0);
    EXPECT_TRUE(win.entryRuns.empty());
    EXPECT_EQ(MeasureText("", 0, EntryFontPair()), 0);
    EXPECT_EQ(MeasureText(nullptr, 5, EntryFontPair()), 0);
}

TEST_F(CalcTextTest, LayoutCases) {
    const std::string full = std::string("12\xCA") + "5";
    struct Case {
        const char* name;
        std::string text;
        int left, right;
        std::string runs;
        int width;
        bool overflowed;
    };
    const Case cases[] = {
        {"superscript after digits", std::string("12") + char(0xC3), 0, 1000, "P:12|S:3|", W("123"),
         false},
        {"decimal mark drawn as the bullet", full, 0, 1000, "P:12|D:bullet|P:5|",
         W("12\x95"
           "5"),
         false},
        // Room for "12" and "5" but not for the bullet: the text ends there.
        {"special glyph that does not fit ends the text", full, 0, W("125"), "P:12|", W("12"),
         true},
        {"plain run cut at the last whole byte", "12345", 0, W("123") + 1, "P:123|", W("123"),
         true},
        {"nothing fits", "9", 0, W("9") - 1, "", 0, true},
        {"box with a left edge", "12", 40, 40 + W("12"), "P:12|", W("12"), false},
        {"superscript that does not fit", std::string("7") + char(0xC2) + char(0xC3), 0, W("72"),
         "P:7|S:2|", W("72"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LayoutResult r =
            LayoutText(c.text.data(), int(c.text.size()), c.left, c.right, EntryFontPair(), true);
        EXPECT_EQ(Describe(r.runs), c.runs);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.overflowed, c.overflowed);
        // Measuring walks the same way and produces no runs.
        LayoutResult m =
            LayoutText(c.text.data(), int(c.text.size()), c.left, c.right, EntryFontPair(), false);
        EXPECT_EQ(m.width, r.width);
        EXPECT_TRUE(m.runs.empty());
        // Rendering hands exactly the walk's runs to the window.
        EXPECT_EQ(
            RenderEntryText(c.text.data(), int(c.text.size()), c.left, c.right, EntryFontPair()),
            c.width);
        EXPECT_EQ(Describe(win.entryRuns), c.runs);
    }
}

TEST_F(CalcTextTest, MeasureUsesTheLargeFontAndAThousandPixelBox) {
    const std::string t = std::string("3") + char(0xCA) + "5" + char(0xC2);
    int want = 0;
    for (unsigned char c : std::string("3\x95"
                                       "52"))
        want += FakeWindow::ByteWidth(FontId::ListLarge, c);
    EXPECT_EQ(MeasureText(t.data(), int(t.size()), ListFontPair()), want);

    const std::string longText(300, '0');  // '0' is 7 + 3 pixels wide in the list font
    EXPECT_EQ(MeasureText(longText.data(), 300, ListFontPair()), 1000);
}

TEST_F(CalcTextTest, PlainTextKeepsLengthAndUsesTheSeparator) {
    std::string s = std::string("3") + char(0xCA) + "5";
    ToPlainText(s);
    EXPECT_EQ(s, "3.5");

    SetSeparators(',', '.');
    s = std::string("3") + char(0xCA) + "5";
    ToPlainText(s);
    EXPECT_EQ(s, "3,5");

    std::string all;
    for (int c = 0xC0; c <= 0xCA; ++c) all += char(c);
    all += "m/s";
    ToPlainText(all);
    EXPECT_EQ(all, "0123456789,m/s");

    char buf[] =
        "x\xC2\xCA"
        "1";
    ToPlainText(buf);
    EXPECT_STREQ(buf, "x2,1");
}

TEST_F(CalcTextTest, LocaleSeparatorRule) {
    EXPECT_EQ(SeparatorFromLocale(",", '.'), ',');
    EXPECT_EQ(SeparatorFromLocale("ab", '.'), '.');
    EXPECT_EQ(SeparatorFromLocale("", ','), ',');
    SetSeparators(',', ' ');
    EXPECT_EQ(DecimalSeparator(), ',');
    EXPECT_EQ(GroupSeparator(), ' ');
}

class ShortFontWindow : public FakeWindow {
  public:
    int textHeight(FontId) override { return 5; }
};

TEST_F(CalcTextTest, FontPairMetrics) {
    const FontPair e = EntryFontPair();
    EXPECT_EQ(e.large, FontId::EntryLarge);
    EXPECT_EQ(e.small, FontId::EntrySmall);
    EXPECT_EQ(e.superRaise, 22 / 4);
    EXPECT_EQ(e.baselineDiff, 1);
    EXPECT_EQ(e.baseline, 8);
    EXPECT_EQ(ListFontPair().large, FontId::ListLarge);
    EXPECT_EQ(ListFontPair().superRaise, 16 / 4);

    ShortFontWindow tiny;
    EXPECT_EQ(MakeFontPair(FontId::ListLarge, FontId::ListSmall).superRaise, 2);
}

class ScopeWindow : public FakeWindow {
  public:
    std::string log;
    void beginScope() override { log += "("; }
    void endScope() override { log += ")"; }
};

TEST_F(CalcTextTest, DrawingScopesNest) {
    ScopeWindow w;
    EXPECT_EQ(DrawingScope::Depth(), 0);
    {
        DrawingScope outer;
        EXPECT_EQ(DrawingScope::Depth(), 1);
        {
            DrawingScope inner;
            EXPECT_EQ(DrawingScope::Depth(), 2);
        }
        EXPECT_EQ(DrawingScope::Depth(), 1);
    }
    EXPECT_EQ(DrawingScope::Depth(), 0);
    EXPECT_EQ(w.log, "(())");
}

}  // namespace
}  // namespace kiv
