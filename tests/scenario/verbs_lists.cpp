// Verbs of the unit list cases: units and buttons built beyond what one
// list line can carry, checks of single units, export to a file and the
// round trip of export and import into a fresh database.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "app/core/calctext.h"
#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "scenario/scenario.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "storage/unitlist.h"
#include "support/test_db.h"
#include "units/algebra.h"
#include "units/holders.h"
#include "units/unitrec.h"
#include "units/unittext.h"

namespace kiv::scenario {
namespace {

// One folder for the files of every case, removed when the run ends.
class CaseFolder {
  public:
    CaseFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kivlists.XXXXXX").string();
        if (char* made = ::mkdtemp(tmpl.data())) path_ = made;
    }
    ~CaseFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

const std::string& ExportPath() {
    static const CaseFolder folder;
    static const std::string path = folder.file("export.txt");
    return path;
}

// Magnitudes as C reads them: "0.1", "1e-300", or the exact "0x1.8p-3".
double Number(Case& c, const std::string& s) {
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end) c.fail("not a number: '" + s + "'");
    return v;
}

// An expression's text however long (the display's buffers cut it).
std::string WholeText(Uid e) {
    return Readable(ExpressionText(e, 1 << 16));
}

std::string Bits(double x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g (%a)", x, x);
    return buf;
}

// FACTOR ...: NAME or NAME^EXPONENT, each an existing unit, into a new
// expression; NULL_UID (after a failure) when a name is no unit.
Uid Factors(Case& c, const std::vector<std::string>& words, size_t from) {
    const Uid e = NewExpression();
    double factor = 1;
    for (size_t i = from; i < words.size(); ++i) {
        const size_t hat = words[i].find('^');
        const std::string name = words[i].substr(0, hat);
        const int exponent = hat == std::string::npos ? 1 : IntArg(c, words[i].substr(hat + 1));
        Uid unit = NULL_UID;
        if (FindUnitByName(name, &unit) == 0) {
            DeleteExpression(e);
            c.fail("no unit " + name);
            return NULL_UID;
        }
        MultiplyIn(e, unit, 0, exponent, &factor);
    }
    return e;
}

// define NAME CATEGORY MAGNITUDE [FACTOR ...]: a unit defined as the
// magnitude times the factors, however long their text (none: a pure
// number).
KIV_VERB("define") {
    const auto w = Words(args);
    if (w.size() < 3) return c.fail("define wants a name, category and magnitude");
    const Uid e = Factors(c, w, 3);
    if (e == NULL_UID) return;
    if (CreateUnit(w[0], Number(c, w[2]), e, IntArg(c, w[1])) == NULL_UID) {
        DeleteExpression(e);
        c.fail("unit " + w[0] + " not created");
    }
}

// button SLOT FACTOR ...: user-button slot SLOT carries the factors.
KIV_VERB("button") {
    const auto w = Words(args);
    if (w.size() < 2) return c.fail("button wants a slot and factors");
    const Uid e = Factors(c, w, 1);
    if (e != NULL_UID) setSlot(IntArg(c, w[0]), e);
    refreshLabels();
}

// unit NAME CATEGORY MAGNITUDE [TEXT]: the unit's category, its magnitude
// bit for bit and its definition's text ("unit NAME -": no such unit).
KIV_VERB("lunit") {
    const auto w = Words(args);
    if (w.empty()) return c.fail("unit wants a name");
    const int index = FindUnitByName(w[0]);
    if (w.size() == 2 && w[1] == "-") {
        if (index != 0) c.fail("unit " + w[0] + " exists");
        return;
    }
    if (w.size() < 3) return c.fail("unit wants a name, category and magnitude");
    if (index == 0) return c.fail("no unit " + w[0]);
    const std::string text = WholeText(UnitDefinition(index));
    std::vector<std::string> want(w.begin() + 3, w.end());
    if (CategoryOfRecord(index) != IntArg(c, w[1]))
        c.fail(w[0] + " is in category " + std::to_string(CategoryOfRecord(index)));
    const double got = UnitMagnitude(index), expected = Number(c, w[2]);
    if (std::memcmp(&got, &expected, sizeof got) != 0)
        c.fail(w[0] + " has magnitude " + Bits(got) + ", expected " + Bits(expected));
    if (text != Join(want, " ")) c.fail(w[0] + " is defined as '" + text + "'");
}

// export: the Export command's file level, into a file of this run (any
// earlier one removed first). Its messages are matched by "msg".
KIV_VERB("export") {
    ::unlink(ExportPath().c_str());
    ExportUnitListFile(ExportPath());
}

// exported LINE: the exported file (CR LF read as LF) holds the line
// (\x09 for a tab); "exported -": no file was written.
KIV_VERB("lexported") {
    const std::vector<uint8_t> bytes = ReadBytes(ExportPath());
    const bool present = std::filesystem::exists(ExportPath());
    if (args == "-") {
        if (present) c.fail("a file was written");
        return;
    }
    if (!present) return c.fail("no file was written");
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
            text += char(bytes[i]);
    if (("\n" + text).find("\n" + Unescaped(args) + "\n") == std::string::npos)
        c.fail("no line '" + args + "' in\n" + Escaped(text));
}

// Everything a unit list carries, in comparable form.
struct ListContents {
    std::vector<std::string> categories;
    std::map<std::string, std::string> units;  // name: category, magnitude bits, definition
    std::vector<std::string> buttons;
};

ListContents Contents() {
    ListContents out;
    const Database& db = *MainDb();
    for (int k = 0; k < Database::kCategories; ++k) out.categories.push_back(db.categoryName(k));
    for (int i = 1; i < db.count(); ++i) {
        if (!IsUnitRecord(i)) continue;
        const Uid def = UnitDefinition(i);
        out.units[UnitName(i)] = std::to_string(CategoryOfRecord(i)) + " " +
                                 Bits(UnitMagnitude(i)) + " " +
                                 (def == NULL_UID ? "base" : "[" + WholeText(def) + "]");
    }
    for (int s = 0; s < so::kUserSlots; ++s) out.buttons.push_back(WholeText(State::userButton(s)));
    return out;
}

// roundtrip: exports the unit list to a file, reads that file into a fresh
// main database and checks that every category, unit (category, magnitude
// bit for bit, definition) and user button came back. The case goes on
// with the fresh database.
KIV_VERB("roundtrip") {
    const ListContents before = Contents();
    ::unlink(ExportPath().c_str());
    const size_t shown = c.win().messages.size();
    if (!ExportUnitListFile(ExportPath())) return c.fail("the export was refused");
    DeleteProcessWideUnits();
    ReleaseStateRecord();
    SetMainDb(
        std::make_unique<Database>(Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"))));
    CreateStateRecord();
    LocateStateRecord();
    if (!ImportUnitListFile(ExportPath())) return c.fail("the import stopped");
    if (c.win().messages.size() != shown) return c.fail("the round trip showed a message");
    refreshLabels();
    const ListContents after = Contents();
    for (int k = 0; k < Database::kCategories; ++k)
        if (before.categories[k] != after.categories[k])
            c.fail("category " + std::to_string(k) + " is '" + after.categories[k] + "', was '" +
                   before.categories[k] + "'");
    for (const auto& [name, was] : before.units) {
        const auto it = after.units.find(name);
        if (it == after.units.end())
            c.fail("unit " + name + " did not come back");
        else if (it->second != was)
            c.fail("unit " + name + " came back as " + it->second + ", was " + was);
    }
    if (after.units.size() != before.units.size())
        c.fail(std::to_string(after.units.size()) + " units came back, were " +
               std::to_string(before.units.size()));
    for (int s = 0; s < so::kUserSlots; ++s)
        if (before.buttons[s] != after.buttons[s])
            c.fail("button " + std::to_string(s) + " came back as '" + Escaped(after.buttons[s]) +
                   "', was '" + Escaped(before.buttons[s]) + "'");
}

// shippedfile US|UK: the next file dialog chooses that shipped list.
KIV_VERB("shippedfile") {
    c.win().fileAnswers.push_back(ShippedUnitListFolder() + "/units-" + args + ".txt");
}

}  // namespace
}  // namespace kiv::scenario
