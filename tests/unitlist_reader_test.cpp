// Unit list reading and writing: the line forms, replacement of units,
// long lines, errors with their line numbers, ranges, encodings and line
// ends, and export followed by import.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "app/core/appevent.h"
#include "app/core/calctext.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "storage/unitlist.h"
#include "support/ownership.h"
#include "support/test_db.h"
#include "units/algebra.h"
#include "units/unittext.h"

namespace kiv {
namespace {

using namespace std::string_literals;

class UnitList : public ::testing::Test {
  protected:
    TempDataHome home;
    TestDb db;
    int refreshes = 0;

    void SetUp() override {
        GetDataFolder();  // made on first use
        SetAppEventHandler([this](int code, int) {
            if (code == 4000) ++refreshes;
        });
    }
    void TearDown() override {
        SetSeparators('.', ',');
        SetAppEventHandler(nullptr);
        ExpectOwnershipSound();
    }

    static int Read(const std::string& text) { return ReadUnitList(text, "list.txt"); }
    static Uid UnitUid(const std::string& name) {
        Uid u = NULL_UID;
        FindUnitByName(name, &u);
        return u;
    }
    static int Index(const std::string& name) { return FindUnitByName(name); }
    static std::vector<Component> Definition(const std::string& name) {
        return Components(UnitDefinition(Index(name)));
    }
    static std::string DefinitionText(const std::string& name) {
        return ExpressionText(UnitDefinition(Index(name)));
    }
};

TEST_F(UnitList, ExampleLinesOfEveryForm) {
    EXPECT_EQ(Read("m 1\n"
                   "km 1\t1000 m\n"
                   "s 3\n"
                   "Hz 3\t1 /s\n"
                   "mi 1\t1609.344 m\n"
                   "h 5\t3600 s\n"
                   "mph 1\t1 mi/h\n"
                   "x 1\t2 m0\n"
                   ".cat 4 Speed and things\n"
                   ".btn 7\t1 mph\n"),
              0);
    EXPECT_TRUE(db.win.messages.empty());
    const Uid m = UnitUid("m"), s = UnitUid("s"), mi = UnitUid("mi"), h = UnitUid("h");
    EXPECT_EQ(UnitDefinition(Index("m")), NULL_UID);
    EXPECT_EQ(CategoryOfRecord(Index("m")), 1);
    EXPECT_EQ(UnitMagnitude(Index("km")), 1000.0);
    EXPECT_EQ(Definition("km"), (std::vector<Component>{{m, 0, 1}}));
    EXPECT_EQ(Definition("Hz"), (std::vector<Component>{{s, 0, -1}}));
    EXPECT_EQ(CategoryOfRecord(Index("Hz")), 3);
    EXPECT_EQ(Definition("mph"), (std::vector<Component>{{mi, 0, 1}, {h, 0, -1}}));
    EXPECT_EQ(Definition("x"), (std::vector<Component>{{m, 0, 1}}));  // exponent 0 is 1
    EXPECT_EQ(UnitMagnitude(Index("x")), 2.0);
    EXPECT_EQ(MainDb()->categoryName(4), "Speed and thing");  // 15 characters
    EXPECT_EQ(ExpressionText(State::userButton(7)), "mph");

    // "1 1/s" is the same as "1 /s"; the old Hz is replaced.
    const RecordCounts before = CountRecords(255);
    EXPECT_EQ(Read("Hz 3\t1 1/s\n"), 0);
    EXPECT_EQ(Definition("Hz"), (std::vector<Component>{{s, 0, -1}}));
    EXPECT_EQ(CountRecords(255).unitsTotal, before.unitsTotal);
    EXPECT_EQ(CountRecords(255).expressions, before.expressions);

    // A cleared slot, and a button line whose expression is empty.
    EXPECT_EQ(Read(".btn 7\n.btn 8\t1 1\n"), 0);
    EXPECT_EQ(State::userButton(7), NULL_UID);
    EXPECT_EQ(State::userButton(8), NULL_UID);
}

TEST_F(UnitList, PrefixSplittingOnlyForLongerNames) {
    ASSERT_EQ(Read("m 1\nx 1\t5 km\nms 1\t1 mm/m2\n"), 0);
    const Uid m = UnitUid("m");
    EXPECT_EQ(Definition("x"), (std::vector<Component>{{m, 3, 1}}));
    EXPECT_EQ(UnitMagnitude(Index("x")), 5.0);
    // mm and m merge into one component; the prefix goes into the magnitude.
    EXPECT_EQ(Definition("ms"), (std::vector<Component>{{m, -3, -1}}));
    EXPECT_DOUBLE_EQ(UnitMagnitude(Index("ms")), 1e-6);

    // q is no unit and one letter is never split; "km" found as a unit wins
    // over k + m.
    EXPECT_EQ(Read("y 1\t5 q\n"), 1);
    EXPECT_TRUE(db.win.shownText("Syntax error in list.txt, line 1."));
    EXPECT_EQ(Index("y"), 0);
    EXPECT_EQ(Read("km 1\t999 m\nz 1\t1 km\n"), 0);
    EXPECT_EQ(Definition("z"), (std::vector<Component>{{UnitUid("km"), 0, 1}}));
    // A letter outside the prefix table is no prefix.
    EXPECT_EQ(Read("w 1\t1 Qm\n"), 1);
    EXPECT_EQ(Index("w"), 0);
}

TEST_F(UnitList, CommentsAndBlankLinesChangeNothingButStillRefresh) {
    ASSERT_EQ(Read("m 1\n"), 0);
    const auto before = MainDb()->table().size();
    const auto names = MainDb()->categories;
    const std::string path = home.path("comments.txt");
    ASSERT_TRUE(WriteBytes(
        path, {'#', ' ', 'x', '\n', ' ', '\t', '\n', '\t', '#', 'm', ' ', '1', '\n', '\n', '#'}));
    EXPECT_TRUE(ImportUnitListFile(path));
    EXPECT_EQ(MainDb()->table().size(), before);
    EXPECT_EQ(MainDb()->categories, names);
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(db.win.messages.empty());
    // An empty file too.
    ASSERT_TRUE(WriteBytes(path, {}));
    EXPECT_TRUE(ImportUnitListFile(path));
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(MainDb()->table().size(), before);
}

TEST_F(UnitList, ReplacingAUnitRemovesItsDependentsEverywhere) {
    ASSERT_EQ(Read("m 1\nkm 1\t1000 m\nha 2\t0.01 km2\nmile 1\t1609.344 m\ns 5\n"), 0);
    const Uid km = UnitUid("km");
    Push(Value::Real(3, ExpressionOf(km)));
    Push(Value::Real(4, ExpressionOf(UnitUid("s"))));
    setSlot(2, ExpressionOf(km));
    setSlot(3, ExpressionOf(UnitUid("s")));
    State::setMemory(1, Value::Real(5, ExpressionOf(UnitUid("ha"))));
    // Saved arguments that hold a unit about to go.
    SaveArguments(2);
    ASSERT_EQ(State::savedCount(), 2);

    ASSERT_EQ(Read("m 1\n"), 0);
    EXPECT_TRUE(db.win.messages.empty());  // no question is asked
    EXPECT_EQ(Index("km"), 0);
    EXPECT_EQ(Index("ha"), 0);
    EXPECT_EQ(Index("mile"), 0);
    EXPECT_NE(Index("m"), 0);
    EXPECT_NE(Index("s"), 0);
    EXPECT_EQ(UnitDefinition(Index("m")), NULL_UID);
    // Numbers stay, their units go; the unrelated s stays everywhere.
    Value v;
    ASSERT_TRUE(Peek(1, &v));
    EXPECT_EQ(v.real(), 3.0);
    EXPECT_EQ(v.unit(), NULL_UID);
    ASSERT_TRUE(Peek(0, &v));
    EXPECT_EQ(ExpressionText(v.unit()), "s");
    EXPECT_EQ(State::userButton(2), NULL_UID);
    EXPECT_EQ(ExpressionText(State::userButton(3)), "s");
    EXPECT_EQ(State::memory(1).unit(), NULL_UID);
    EXPECT_EQ(State::memory(1).real(), 5.0);
    // Undo cannot bring back a deleted expression.
    EXPECT_EQ(State::savedCount(), 0);
    Undo();
    ASSERT_TRUE(Peek(0, &v));
    EXPECT_EQ(ExpressionText(v.unit()), "s");
}

TEST_F(UnitList, LongLinesAreReadInPiecesCountedAsLines) {
    const std::string comment = "#" + std::string(kUnitListPiece - 1, 'x');
    // The piece after 255 characters is a line of its own: it defines zz.
    const std::string text = comment + "zz 2\n" + "m 1\n" + "bad 1\t1 q\n";
    EXPECT_EQ(Read(text), 4);
    EXPECT_NE(Index("zz"), 0);
    EXPECT_EQ(CategoryOfRecord(Index("zz")), 2);
    EXPECT_NE(Index("m"), 0);
    EXPECT_TRUE(db.win.shownText("line 4."));
    // A line of exactly 255 characters is one line.
    db.win.clearMessages();
    const std::string exact = "#" + std::string(kUnitListPiece - 1, 'y') + "\nbad 1\t1 q\n";
    EXPECT_EQ(Read(exact), 2);
    // A unit line cut in the middle of its expression: the rest is a line
    // starting with a name that is no unit word, read as a base unit.
    const std::string cut = "k 3\t1" + std::string(kUnitListPiece - 5, ' ') + "m 7\n";
    EXPECT_EQ(Read(cut), 0);
    EXPECT_EQ(CategoryOfRecord(Index("m")), 7);
}

TEST_F(UnitList, SyntaxErrorStopsWithLineNumberAndKeepsEarlierLines) {
    const std::string path = home.path("bad list.txt");
    const std::string text = "m 1\nkm 1\t1000 m\n\n# note\nx 1\t5 q\ny 1\t1 m\n";
    ASSERT_TRUE(WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end())));
    ASSERT_EQ(Read("x 9\n"), 0);  // an old x: deleted by the bad line before the error
    EXPECT_FALSE(ImportUnitListFile(path));
    ASSERT_EQ(db.win.messages.size(), 1u);
    EXPECT_EQ(db.win.messages[0].caption, "Error");
    EXPECT_EQ(db.win.messages[0].text, "Syntax error in " + path + ", line 5.");
    EXPECT_EQ(refreshes, 1);
    EXPECT_NE(Index("m"), 0);
    EXPECT_NE(Index("km"), 0);
    EXPECT_EQ(Index("x"), 0);
    EXPECT_EQ(Index("y"), 0);

    // A factor that does not start with a letter.
    db.win.clearMessages();
    EXPECT_EQ(Read("z 1\t1 m*2m\n"), 1);
    EXPECT_EQ(Index("z"), 0);
}

TEST_F(UnitList, OutOfRangeNumbersAreReportedAndChangeNothing) {
    ASSERT_EQ(Read("m 1\nx 2\t3 m\n.cat 5 Five\n.btn 4\t1 m\n"), 0);
    const auto names = MainDb()->categories;
    const Uid slot4 = State::userButton(4);

    EXPECT_EQ(Read(".cat 16 Sixteen\n"), 1);
    EXPECT_EQ(MainDb()->categories, names);
    EXPECT_EQ(Read("x 16\t1 m\n"), 1);
    EXPECT_EQ(UnitMagnitude(Index("x")), 3.0);  // the old x is kept
    EXPECT_EQ(CategoryOfRecord(Index("x")), 2);
    EXPECT_EQ(Read(".btn 50\t1 m\n"), 1);
    EXPECT_EQ(Read(".btn 4294967300\n"), 1);  // no wrap-around into range
    EXPECT_EQ(State::userButton(4), slot4);
    EXPECT_EQ(db.win.messages.size(), 4u);
    for (const auto& msg : db.win.messages) EXPECT_EQ(msg.text.rfind("Syntax error", 0), 0u);

    // The last category and slot are in range.
    EXPECT_EQ(Read(".cat 15 Last\n.btn 49\t1 m\ny 15\n"), 0);
    EXPECT_EQ(MainDb()->categoryName(15), "Last");
    EXPECT_EQ(ExpressionText(State::userButton(49)), "m");
    EXPECT_EQ(CategoryOfRecord(Index("y")), 15);
}

TEST_F(UnitList, ExponentsOutsideTheByteAreRefused) {
    ASSERT_EQ(Read("m 1\ns 5\n"), 0);
    // 128 would wrap to -128: refused, the factor is dropped, the line goes on.
    EXPECT_EQ(Read("big 1\t1 m128*s\n"), 0);
    ASSERT_EQ(db.win.messages.size(), 1u);
    EXPECT_NE(db.win.messages[0].text.find("between -128 and +127"), std::string::npos);
    EXPECT_EQ(Definition("big"), (std::vector<Component>{{UnitUid("s"), 0, 1}}));
    db.win.clearMessages();
    // -128 and 127 are exponents a component can hold.
    EXPECT_EQ(Read("low 1\t1 /m128\nhigh 1\t1 m127\n"), 0);
    EXPECT_TRUE(db.win.messages.empty());
    EXPECT_EQ(Definition("low"), (std::vector<Component>{{UnitUid("m"), 0, -128}}));
    EXPECT_EQ(Definition("high"), (std::vector<Component>{{UnitUid("m"), 0, 127}}));
    // A sum outside the range is refused by the product itself.
    EXPECT_EQ(Read("sum 1\t1 m100*m100\n"), 0);
    EXPECT_EQ(db.win.messages.size(), 1u);
    EXPECT_EQ(Definition("sum"), (std::vector<Component>{{UnitUid("m"), 0, 100}}));
}

TEST_F(UnitList, AnEAfterTheMagnitudeIsAPowerOfTenOnlyBeforeADigitOrMinus) {
    ASSERT_EQ(Read("m 1\nerg 9\nJ 9\n"), 0);
    ASSERT_EQ(Read("a 9\t10 erg\nb 1\t2 e3 m\nc 1\t4 e-3 m\nd 1\t5e2 m\ne 9\t1 erg*J\n"), 0);
    EXPECT_TRUE(db.win.messages.empty());
    EXPECT_EQ(UnitMagnitude(Index("a")), 10.0);
    EXPECT_EQ(Definition("a"), (std::vector<Component>{{UnitUid("erg"), 0, 1}}));
    EXPECT_EQ(UnitMagnitude(Index("b")), 2000.0);
    EXPECT_EQ(Definition("b"), (std::vector<Component>{{UnitUid("m"), 0, 1}}));
    EXPECT_DOUBLE_EQ(UnitMagnitude(Index("c")), 0.004);
    EXPECT_EQ(UnitMagnitude(Index("d")), 500.0);
    EXPECT_EQ(DefinitionText("e"), "erg*J");
}

TEST_F(UnitList, MagnitudesMissingOrTooLarge) {
    ASSERT_EQ(Read("m 1\n"), 0);
    EXPECT_EQ(Read("z 1\tm\n"), 0);  // no number reads as 0
    EXPECT_EQ(UnitMagnitude(Index("z")), 0.0);
    EXPECT_EQ(DefinitionText("z"), "m");
    EXPECT_EQ(Read("huge 1\t1e999 m\nafter 1\t2 m\n"), 0);
    EXPECT_TRUE(db.win.shownText("Number is too large."));
    EXPECT_EQ(UnitMagnitude(Index("huge")), 0.0);
    EXPECT_EQ(UnitMagnitude(Index("after")), 2.0);
    EXPECT_EQ(Read("neg 1\t-2.5 m\n"), 0);
    EXPECT_EQ(UnitMagnitude(Index("neg")), -2.5);
    // A pure number: the definition has no factors but is kept.
    EXPECT_EQ(Read("dozen 0\t12\n"), 0);
    EXPECT_EQ(UnitMagnitude(Index("dozen")), 12.0);
    EXPECT_NE(UnitDefinition(Index("dozen")), NULL_UID);
    EXPECT_EQ(ComponentCount(UnitDefinition(Index("dozen"))), 0);
}

TEST_F(UnitList, Utf8IsTranscodedAndUnshowableNamesRefused) {
    // Degree sign, micro sign and an e acute as UTF-8, CR LF line ends and a
    // byte-order mark, as an editor saves it.
    const std::string text =
        "\xEF\xBB\xBFK 14\r\n\xC2\xB0R 14\t0.5555555555555556 K\r\n"
        "s 5\r\n\xC2\xB5s 5\t1e-6 s\r\n.cat 14 Temp\xC3\xA9rature\r\n";
    ASSERT_EQ(Read(text), 0);
    EXPECT_TRUE(db.win.messages.empty());
    EXPECT_NE(Index("K"), 0);
    EXPECT_NE(Index("\xB0R"), 0);
    EXPECT_NE(Index("\xB5s"), 0);
    EXPECT_EQ(Index("\xC2\xB0R"), 0);
    EXPECT_EQ(MainDb()->categoryName(14), "Temp\xE9rature");
    for (int i = 1; i < MainDb()->count(); ++i)
        for (char c : UnitName(i)) EXPECT_FALSE(IsSpecialByte(uint8_t(c))) << UnitName(i);
    // The name shows as itself in calculator text.
    const Uid micro = ExpressionOf(UnitUid("\xB5s"));
    std::string plain = ExpressionText(micro);
    DeleteExpression(micro);
    ToPlainText(plain);
    EXPECT_EQ(plain, "\xB5s");

    // A file that is not UTF-8 is Windows-1252 already.
    EXPECT_EQ(Read("\xB0"
                   "F 14\t0.5555555555555556 K\n"),
              0);
    EXPECT_NE(Index("\xB0"
                    "F"),
              0);

    // Names that calculator text would show as superscript digits or the
    // decimal mark, and characters Windows-1252 lacks, are refused.
    db.win.clearMessages();
    EXPECT_EQ(Read("\xC3\x80x 1\n"), 1);  // U+00C0 would become 0xC0
    EXPECT_EQ(Read("x\xC9 1\n"), 1);      // raw 0xC9
    EXPECT_EQ(Read("\xCE\xA9 11\n"), 1);  // U+03A9 has no byte
    EXPECT_EQ(Read("a\x01"
                   "b 1\n"),
              1);  // control byte
    EXPECT_EQ(db.win.messages.size(), 4u);
    EXPECT_EQ(Index("x\xC0"), 0);
    EXPECT_EQ(Index("x\xC9"), 0);
}

TEST(UnitListTranscode, Utf8ToWindows1252) {
    EXPECT_EQ(TranscodeUtf8ToCp1252("plain"), "plain");
    EXPECT_EQ(TranscodeUtf8ToCp1252("\xEF\xBB\xBFplain"), "plain");
    EXPECT_EQ(TranscodeUtf8ToCp1252("\xE2\x82\xAC \xC2\xB0 \xC3\xBF"), "\x80 \xB0 \xFF");
    EXPECT_EQ(TranscodeUtf8ToCp1252("\xE2\x80\x9Cq\xE2\x80\x9D"), "\x93q\x94");
    EXPECT_EQ(TranscodeUtf8ToCp1252("\xF0\x9F\x98\x80"), std::string(1, kNoCharacter));
    // Not UTF-8: unchanged (a lone continuation byte, an overlong form, a
    // surrogate, a cut sequence).
    for (const std::string s : {"\xB0x", "\xC0\xB0", "\xED\xA0\x80", "ab\xC3"})
        EXPECT_EQ(TranscodeUtf8ToCp1252(s), s);
}

TEST_F(UnitList, LineEndsOfEveryKind) {
    ASSERT_EQ(Read("m 1\r\nkm 1\t1000 m\r\n.cat 2 Len\r\n.btn 1\t1 km\r\nft 1\t0.3048 m"), 0);
    EXPECT_TRUE(db.win.messages.empty());
    EXPECT_EQ(MainDb()->categoryName(2), "Len");
    EXPECT_EQ(UnitMagnitude(Index("km")), 1000.0);
    EXPECT_EQ(ExpressionText(State::userButton(1)), "km");
    EXPECT_EQ(UnitMagnitude(Index("ft")), 0.3048);  // last line without a line end
    // Trailing blanks and a NUL byte end the line's content.
    ASSERT_EQ(Read("in 1\t0.0254 m  \t\r\nyd 1\t0.9144 m\0junk\n"s), 0);
    EXPECT_EQ(UnitMagnitude(Index("yd")), 0.9144);
}

// Builds a database with categories, defined and prefixed units and user
// buttons; returns nothing, the main database holds it.
void BuildSample() {
    ASSERT_EQ(ReadUnitList(".cat 1 Length\n.cat 3 Time\n.cat 15 Misc\n"
                           "m 1\ns 3\nkg 0\n"
                           "ft 1\t0.3048 m\nin 1\t0.083333333333333333 ft\n"
                           "min 3\t60 s\nh 3\t60 min\n"
                           "N 15\t1 kg*m/s2\nJ 15\t1 N*m\nW 15\t1 J/s\n"
                           "ang 1\t1e-10 m\nrate 15\t2.5 mm/h2\ntiny 15\t1.5e-30 kg\n"
                           "big 1\t9460730472580800 m\nneg 15\t-4 J\n"
                           ".btn 0\t1 ft\n.btn 3\t1 km/h\n.btn 27\t1 kg*m2/s2\n.btn 49\t1 W\n",
                           "sample"),
              0);
}

struct UnitSnapshot {
    int category;
    double magnitude;
    std::string definition;
};
std::map<std::string, UnitSnapshot> Snapshot() {
    std::map<std::string, UnitSnapshot> out;
    for (int i = 1; i < MainDb()->count(); ++i)
        if (IsUnitRecord(i))
            out[UnitName(i)] = {CategoryOfRecord(i), UnitMagnitude(i),
                                ExpressionText(UnitDefinition(i))};
    return out;
}
std::vector<std::string> ButtonTexts() {
    std::vector<std::string> out;
    for (int s = 0; s < so::kUserSlots; ++s) out.push_back(ExpressionText(State::userButton(s)));
    return out;
}

TEST(UnitListRoundTrip, ExportThenImportOnAnEmptyDatabaseReproducesEverything) {
    TempDataHome home;
    GetDataFolder();
    const std::string path = home.path("out.txt");
    std::map<std::string, UnitSnapshot> units;
    std::vector<std::string> buttons;
    std::array<std::array<char, 16>, 16> categories;
    {
        TestDb db;
        BuildSample();
        units = Snapshot();
        buttons = ButtonTexts();
        categories = MainDb()->categories;
        ASSERT_TRUE(ExportUnitListFile(path));
        EXPECT_TRUE(db.win.messages.empty());
        ExpectOwnershipSound();
    }
    const std::vector<uint8_t> bytes = ReadBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    // CR LF on disk, never a lone LF.
    size_t loneLf = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ++loneLf;
    EXPECT_EQ(loneLf, 0u);
    EXPECT_EQ(text.rfind(".cat 1 Length\r\n.cat 3 Time\r\n.cat 15 Misc\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\nft 1\t0.3048 m\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nrate 15\t2.5 mm/h2\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n.btn\t3\t1 km/h\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n.btn\t27\t1 kg*m2/s2\r\n"), std::string::npos);

    TestDb db;
    ASSERT_TRUE(ImportUnitListFile(path));
    EXPECT_TRUE(db.win.messages.empty());
    EXPECT_EQ(MainDb()->categories, categories);
    EXPECT_EQ(ButtonTexts(), buttons);
    const auto again = Snapshot();
    ASSERT_EQ(again.size(), units.size());
    for (const auto& [name, u] : units) {
        ASSERT_TRUE(again.count(name)) << name;
        const UnitSnapshot& v = again.at(name);
        EXPECT_EQ(v.category, u.category) << name;
        EXPECT_EQ(v.definition, u.definition) << name;
        if (u.definition.empty()) continue;
        EXPECT_NEAR(v.magnitude, u.magnitude, std::fabs(u.magnitude) * 1e-14) << name;
    }
    ExpectOwnershipSound();
}

// The writer formats magnitudes in the display mode of the moment; what it
// writes in any of them reads back to the same magnitudes.
TEST(UnitListRoundTrip, EveryDisplayModeWritesMagnitudesThatReadBack) {
    for (int mode = 0; mode < 4; ++mode) {
        std::string text;
        std::map<std::string, UnitSnapshot> units;
        {
            TestDb db;
            BuildSample();
            units = Snapshot();
            State::setDisplayMode(uint8_t(mode));
            text = UnitListText();
        }
        TestDb db;
        ASSERT_EQ(ReadUnitList(text, "again"), 0) << "mode " << mode << "\n" << text;
        for (const auto& [name, u] : Snapshot()) {
            EXPECT_EQ(u.definition, units.at(name).definition) << name;
            if (u.definition.empty()) continue;
            EXPECT_NEAR(u.magnitude, units.at(name).magnitude,
                        std::fabs(units.at(name).magnitude) * 1e-14)
                << "mode " << mode << " " << name;
        }
        EXPECT_TRUE(db.win.messages.empty());
        ExpectOwnershipSound();
    }
}

// Damaged lists: every mutation of a real list reads without harm. Records
// stay owned, names stay showable, and a line number is reported for each
// stop.
TEST(UnitListDamaged, MutatedListsKeepTheDatabaseSound) {
    std::string base;
    {
        const std::vector<uint8_t> bytes = ReadBytes(ShippedUnitListFolder() + "/units-UK.txt");
        base.assign(bytes.begin(), bytes.end());
    }
    ASSERT_FALSE(base.empty());
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    static const char kBytes[] = {'\t',       ' ',        '\n',       '\r',       '/', '*', '1',
                                  '0',        '9',        '.',        '#',        'e', 'k', 'm',
                                  char(0xC2), char(0xB0), char(0xCA), char(0xFF), '\0'};
    for (int round = 0; round < 60; ++round) {
        std::string text = base;
        for (int k = 0; k < 12; ++k) {
            const size_t at = next(uint32_t(text.size()));
            switch (next(3)) {
                case 0:
                    text[at] = kBytes[next(sizeof kBytes)];
                    break;
                case 1:
                    text.insert(at, 1, kBytes[next(sizeof kBytes)]);
                    break;
                default:
                    text.erase(at, next(40));
                    break;
            }
        }
        TestDb db;
        const int stoppedAt = ReadUnitList(text, "damaged");
        EXPECT_TRUE(stoppedAt == 0 || db.win.shownText(", line " + std::to_string(stoppedAt)));
        for (int i = 1; i < MainDb()->count(); ++i)
            for (char c : UnitName(i)) ASSERT_FALSE(IsSpecialByte(uint8_t(c))) << round;
        ExpectOwnershipSound();
    }
}

TEST_F(UnitList, ExportOrdersUnitsByDefinitionDepth) {
    // Names sort h, J, m, min, N, s, W; depths: m s kg 0, min N 1, h J 2, W 3.
    ASSERT_EQ(Read("m 1\ns 3\nkg 0\nmin 3\t60 s\nh 3\t60 min\nN 15\t1 kg*m/s2\n"
                   "J 15\t1 N*m\nW 15\t1 J/s\n"),
              0);
    const std::string text = UnitListText();
    EXPECT_EQ(text,
              "kg 0\nm 1\ns 3\nmin 3\t60 s\nN 15\t1 kg*m/s2\nh 3\t60 min\nJ 15\t1 N*m\n"
              "W 15\t1 J/s\n");
}

TEST_F(UnitList, ListsMoveBetweenDecimalPointAndCommaLocales) {
    SetSeparators(',', '.');
    ASSERT_EQ(Read("m 1\nft 1\t0,3048 m\nin 1\t0.0254 m\n"), 0);
    EXPECT_EQ(UnitMagnitude(Index("ft")), 0.3048);
    // Lists written with a point (the shipped ones) still read.
    EXPECT_EQ(UnitMagnitude(Index("in")), 0.0254);
    EXPECT_NE(UnitListText().find("ft 1\t0,3048 m\n"), std::string::npos);
    SetSeparators('.', ',');
    EXPECT_NE(UnitListText().find("ft 1\t0.3048 m\n"), std::string::npos);
    ASSERT_EQ(Read("mark 1\t1\xCA"
                   "5 m\n"),
              0);
    EXPECT_EQ(UnitMagnitude(Index("mark")), 1.5);
    EXPECT_TRUE(db.win.messages.empty());
    // Only one decimal mark: a second one is where the factors start.
    EXPECT_EQ(Read("bad 1\t1.5.2 m\n"), 1);
}

TEST_F(UnitList, CommandsUseTheDataFolderAndReportFilesThatCannotBeOpened) {
    ASSERT_EQ(Read("m 1\n"), 0);
    std::vector<std::tuple<bool, std::string, std::string>> asked;
    std::string answer;
    const FileChooser chooser = [&](bool save, const std::string& title, const std::string& folder,
                                    std::string* path) {
        asked.emplace_back(save, title, folder);
        *path = answer;
        return !answer.empty();
    };
    // Cancel: nothing happens, not even a refresh.
    ImportUnitList(chooser);
    ExportUnitList(chooser);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], std::make_tuple(false, std::string("Import Unit List"), home.folder()));
    EXPECT_EQ(asked[1], std::make_tuple(true, std::string("Export Unit List"), home.folder()));
    EXPECT_EQ(refreshes, 0);
    EXPECT_TRUE(home.list().empty());

    answer = home.path("units.txt");
    ExportUnitList(chooser);
    EXPECT_EQ(ReadBytes(answer), (std::vector<uint8_t>{'m', ' ', '1', '\r', '\n'}));
    EXPECT_EQ(refreshes, 0);  // export sends none
    ImportUnitList(chooser);
    EXPECT_EQ(refreshes, 1);
    ASSERT_EQ(db.win.messages.size(), 1u);  // the import's confirmation
    db.win.clearMessages();

    answer = home.path("missing.txt");
    ImportUnitList(chooser);
    EXPECT_EQ(refreshes, 1);
    ASSERT_EQ(db.win.messages.size(), 1u);
    EXPECT_EQ(db.win.messages[0].text, "Cannot open " + answer + ".");
    answer = home.folder();  // a folder cannot be written as a file
    ExportUnitList(chooser);
    ASSERT_EQ(db.win.messages.size(), 2u);
    EXPECT_EQ(db.win.messages[1].text, "Cannot open " + answer + ".");
    // The window's own file dialog is the default.
    db.win.fileAnswers.push_back(home.path("units.txt"));
    ImportUnitList();
    EXPECT_EQ(refreshes, 2);
}

TEST(UnitListFirstStart, ShippedListsAreCopiedIntoTheDataFolderOnce) {
    TempDataHome home;
    FakeWindow win;
    ASSERT_TRUE(StorageStartup());  // message 1319 answered OK
    ASSERT_TRUE(FirstStart());
    LocateStateRecord();
    std::vector<std::string> listed;
    ImportUnitList([&](bool, const std::string&, const std::string& folder, std::string* path) {
        listed = home.list();
        *path = folder + "/units-UK.txt";
        return true;
    });
    EXPECT_EQ(listed, (std::vector<std::string>{"kivDB_pdb", "units-UK.txt", "units-US.txt"}));
    EXPECT_NE(FindUnitByName("galUK"), 0);
    ASSERT_EQ(win.messages.size(), 2u);  // the welcome and the import's confirmation
    ExpectOwnershipSound();

    // A list the user changed is never written over.
    ASSERT_TRUE(WriteBytes(home.path("units-US.txt"), {'#', '\n'}));
    EXPECT_EQ(CopyShippedUnitLists(home.folder()), 0);
    EXPECT_EQ(ReadBytes(home.path("units-US.txt")), (std::vector<uint8_t>{'#', '\n'}));
    ::remove(home.path("units-UK.txt").c_str());
    EXPECT_EQ(CopyShippedUnitLists(home.folder()), 1);
    EXPECT_EQ(ReadBytes(home.path("units-UK.txt")),
              ReadBytes(ShippedUnitListFolder() + "/units-UK.txt"));
    ReleaseStateRecord();
}

}  // namespace
}  // namespace kiv
