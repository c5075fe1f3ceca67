// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/kivconvert.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <istream>
#include <memory>
#include <ostream>

#include "app/core/convert.h"
#include "app/core/unitlist.h"
#include "engine/format.h"
#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "units/unitrec.h"
#include "window/calctext.h"
#include "window/messages.h"

#ifndef KIV_VERSION
#define KIV_VERSION "unknown"
#endif

namespace kiv::cli {
namespace {

constexpr const char* kName = "kiv-convert";

const char* const kModes[] = {"standard", "fixed", "scientific", "engineering"};
constexpr int kMaxPrecision = 20;

struct ErrorClass {
    ExitStatus status;
    std::vector<int> ids;
};
// Messages not listed here are kExitOther. A reading below absolute zero
// is refused by the temperature scales' own message, which joins its row.
const ErrorClass kErrorClasses[] = {
    {kExitUnknownUnit, {MSG_NO_SUCH_UNIT}},
    {kExitDifferentKinds, {MSG_DIFFERENT_KINDS, MSG_NOT_A_READING, MSG_READING_NOT_DIFFERENCE}},
    {kExitSyntax, {MSG_CONVERT_SYNTAX}},
    {kExitBelowZero, {MSG_BELOW_ABSOLUTE_ZERO}},
    {kExitNoUnits,
     {MSG_NO_DATABASE, MSG_DATABASE_DAMAGED, MSG_CANNOT_OPEN, MSG_SYNTAX, MSG_IMPORT_UNKNOWN,
      MSG_IMPORT_SELF}},
};

const char kUsage[] =
    "Usage: kiv-convert [OPTION]... SOURCE [TARGET]\n"
    "       kiv-convert [OPTION]... [-]      (lines SOURCE<TAB>TARGET or SOURCE -> TARGET)\n"
    "Converts SOURCE (a number and a unit as Kiv's Copy writes it, \"5 mi\") to the unit\n"
    "TARGET, or to base units when there is no TARGET, with the units of Kiv's database.\n"
    "\n"
    "  --precision N    decimals shown, 0-20 (default: Kiv's display precision)\n"
    "  --mode MODE      standard, fixed, scientific or engineering (default: Kiv's)\n"
    "  --list FILE      the units of a unit list file instead of Kiv's database\n"
    "  --units          list the units: name, category, definition, long name\n"
    "  --help           show this help and end\n"
    "  --version        show the version and end\n"
    "\n"
    "Exit status: 0 converted, 1 no result, 2 usage, 3 unknown unit, 4 units of\n"
    "different kinds, 5 syntax error, 6 below absolute zero, 7 no units to read.\n"
    "See kiv-convert(1).\n";

// Unicode of the bytes 0x80-0x9F of Windows-1252; 0 where none.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Terminal text (UTF-8, or else taken as it is) to calculator text.
std::string FromTerminal(const std::string& text) {
    return IsAscii(text) ? text : TranscodeUtf8ToCp1252(text);
}

// Calculator text to UTF-8 at the terminal's boundary, appended to `out`.
void AppendUtf8(std::string& out, const std::string& text) {
    if (IsAscii(text)) {
        out += text;
        return;
    }
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        uint32_t cp = b;
        if (b < 0x80) {
            out += c;
            continue;
        }
        if (b < 0xA0) cp = kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : 0xFFFD;
        if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
        } else {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
        }
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    AppendUtf8(out, text);
    return out;
}

struct Options {
    int precision = -1;  // -1: the database's
    int mode = -1;
    std::string list;
    bool units = false;
    std::vector<std::string> operands;
};

// Puts back the main database and state record the run found (a window's,
// in tests) however the run ends.
class MainDbScope {
  public:
    MainDbScope() : previous_(TakeMainDb()) { ReleaseStateRecord(); }
    ~MainDbScope() {
        ReleaseStateRecord();
        SetMainDb(std::move(previous_));
        if (MainDb()) LocateStateRecord();
    }
    MainDbScope(const MainDbScope&) = delete;
    MainDbScope& operator=(const MainDbScope&) = delete;

  private:
    std::unique_ptr<Database> previous_;
};

class Runner {
  public:
    Runner(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    // One line on standard error: the program's name, then the message.
    int report(int id, const std::string& message, const std::string& where = std::string()) {
        err_ << kName << ": " << where << ToUtf8(message) << '\n';
        return ExitStatusOf(id);
    }
    int report(int id, const char* t1 = nullptr, const char* t2 = nullptr) {
        return report(id, ComposeCodedMessage(id, t1, t2).text);
    }
    int usage(const std::string& problem) {
        err_ << kName << ": " << problem << "\nTry 'kiv-convert --help'.\n";
        return kExitUsage;
    }

    int parse(const std::vector<std::string>& args, Options* o, bool* done);
    int loadDatabase();
    int loadList(const std::string& path);
    int listUnits();
    int convertOne(const std::string& source, const std::string& target, int precision);
    int batch(std::istream& in, int precision);

  private:
    std::ostream& out_;
    std::ostream& err_;
};

bool ParseInt(const std::string& s, int lo, int hi, int* v) {
    if (s.empty() || s.size() > 3) return false;
    int n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n < lo || n > hi) return false;
    *v = n;
    return true;
}

// A negative number ("-5 m") is an operand, not an option.
bool LooksLikeOption(const std::string& a) {
    return a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9') && a[1] != '.';
}

int Runner::parse(const std::vector<std::string>& args, Options* o, bool* done) {
    *done = false;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i], value;
        if (optionsEnd || !LooksLikeOption(a)) {
            o->operands.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnd = true;
            continue;
        }
        const size_t eq = a.find('=');
        const bool inlineValue = a.rfind("--", 0) == 0 && eq != std::string::npos;
        if (inlineValue) {
            value = a.substr(eq + 1);
            a = a.substr(0, eq);
        }
        auto takeValue = [&]() -> bool {
            if (inlineValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            out_ << kUsage;
            *done = true;
            return kExitOk;
        }
        if (a == "--version") {
            out_ << "kiv-convert (Kiv) " << KIV_VERSION << '\n';
            *done = true;
            return kExitOk;
        }
        if (a == "--units") {
            o->units = true;
        } else if (a == "--precision") {
            if (!takeValue()) return usage("--precision needs a number");
            if (!ParseInt(value, 0, kMaxPrecision, &o->precision))
                return usage("the precision must be a whole number from 0 to 20, not '" + value +
                             "'");
        } else if (a == "--mode") {
            if (!takeValue())
                return usage(
                    "--mode needs one of standard, fixed, scientific, "
                    "engineering");
            o->mode = -1;
            for (int m = 0; m < 4; ++m)
                if (value == kModes[m]) o->mode = m;
            if (o->mode < 0)
                return usage("unknown mode '" + value +
                             "' (standard, fixed, scientific or engineering)");
        } else if (a == "--list") {
            if (!takeValue() || value.empty()) return usage("--list needs a file name");
            o->list = value;
        } else {
            return usage("unknown option '" + a + "'");
        }
    }
    if (o->operands.size() > 2) return usage("too many operands");
    return kExitOk;
}

// The window's database file, read as its start-up reads it (repair
// included) into memory alone: the file is never written, locked, renamed
// or repaired on disk, so the window may hold it open meanwhile.
int Runner::loadDatabase() {
    const std::string folder = DataFolderPath();
    const std::string path = (folder.empty() ? std::string(".") : folder) + "/" + kMainDbFileName;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes)) {
        struct stat sb;
        const bool exists = ::stat(path.c_str(), &sb) == 0;
        return report(exists ? MSG_CANNOT_OPEN : MSG_NO_DATABASE, path.c_str());
    }
    auto db = std::make_unique<Database>();
    std::string why;
    const LoadStatus status =
        ParseDatabase(bytes.data(), bytes.size(), FourCC("Data"), FourCC("Kivc"), db.get(), &why);
    if (status == LoadStatus::NotThisDatabase) why = "not a Kiv database";
    if (status == LoadStatus::Ok && db->count() == 0) why = "no state record";
    if (status != LoadStatus::Ok || db->count() == 0)
        return report(MSG_DATABASE_DAMAGED, path.c_str(), why.c_str());
    db->saveOnClose = false;
    RepairMainDatabase(*db);
    SetMainDb(std::move(db));
    if (!LocateStateRecord()) return report(MSG_DATABASE_DAMAGED, path.c_str(), "no state record");
    return kExitOk;
}

// A unit list into a fresh database in memory. A bare name that is no
// file here is looked for among the shipped lists.
int Runner::loadList(const std::string& given) {
    std::string path = given;
    struct stat sb;
    if (::stat(path.c_str(), &sb) != 0 && path.find('/') == std::string::npos) {
        const std::string shipped = ShippedUnitListFolder();
        if (!shipped.empty() && ::stat((shipped + "/" + path).c_str(), &sb) == 0)
            path = shipped + "/" + path;
    }
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes)) return report(MSG_CANNOT_OPEN, path.c_str());
    SetMainDb(
        std::make_unique<Database>(Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"))));
    MainDb()->saveOnClose = false;
    if (!CreateStateRecord() || !LocateStateRecord()) return report(MSG_NO_MEMORY);
    const MessageCatcher caught;
    const std::string text(bytes.begin(), bytes.end());
    if (ReadUnitList(text, path) != 0)
        return report(caught.id() ? caught.id() : MSG_SYNTAX, caught.message());
    return kExitOk;
}

int Runner::listUnits() {
    const Database& db = *MainDb();
    // Definitions as the Units dialog shows them, whatever the display mode.
    State::setDisplayMode(0);
    std::string text;
    for (int i = 0; i < db.count(); ++i) {
        if (!IsUnitRecord(i)) continue;
        std::string line = UnitName(i) + '\t' + db.categoryName(CategoryOfRecord(i)) + '\t';
        const Uid def = UnitDefinition(i);
        if (def == NULL_UID) {
            line += "base unit";
        } else {
            char buf[256];
            FormatReal(buf, int(sizeof buf), UnitMagnitude(i), def, 0, 12, nullptr);
            ToPlainText(buf);
            line += buf;
            // A scale's zero point, written as a unit list writes it.
            if (double zero = 0; UnitZeroPoint(i, &zero)) {
                FormatReal(buf, int(sizeof buf), zero, NULL_UID, 0, 12, nullptr);
                ToPlainText(buf);
                line += std::string(" @ ") + buf;
            }
        }
        if (const std::string longName = UnitLongName(i); !longName.empty())
            line += '\t' + longName;
        text += ToUtf8(line) + '\n';
    }
    out_ << text;
    return kExitOk;
}

int Runner::convertOne(const std::string& source, const std::string& target, int precision) {
    const ConversionOutcome r = ConvertText(FromTerminal(source), FromTerminal(target), precision);
    if (!r.ok) return report(r.messageId, r.message);
    out_ << ToUtf8(r.text) << '\n';
    return kExitOk;
}

// One result line per input line, in order; a line that fails leaves an
// empty line and its message on standard error, and the rest goes on.
int Runner::batch(std::istream& in, int precision) {
    std::string line, results;
    int number = 0, failed = 0, status = kExitOk;
    UnitTextMemo memo;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string transcoded;  // a line in plain ASCII is taken as it is, uncopied
        const std::string& text = IsAscii(line) ? line : (transcoded = TranscodeUtf8ToCp1252(line));
        size_t cut = text.find('\t'), skip = 1;
        if (cut == std::string::npos && (cut = text.find("->")) != std::string::npos) skip = 2;
        const std::string source = text.substr(0, cut);
        const std::string target =
            cut == std::string::npos ? std::string() : text.substr(cut + skip);
        if (source.find_first_not_of(" \t") == std::string::npos && target.empty()) {
            results += '\n';  // a blank line stays blank
            continue;
        }
        const ConversionOutcome r = ConvertText(source, target, precision, &memo);
        if (r.ok) {
            AppendUtf8(results, r.text);
        } else {
            out_ << results;
            results.clear();
            const int s = report(r.messageId, r.message, "line " + std::to_string(number) + ": ");
            if (failed++ == 0) status = s;
        }
        results += '\n';
        // Large batches go out in pieces; a pipe read line by line gets
        // each answer as it comes.
        if (results.size() >= 1 << 16 || in.rdbuf()->in_avail() <= 0) {
            out_ << results;
            results.clear();
            if (in.rdbuf()->in_avail() <= 0) out_.flush();
        }
    }
    out_ << results;
    if (failed > 0) {
        const std::string f = std::to_string(failed), n = std::to_string(number);
        report(MSG_LINES_FAILED, f.c_str(), n.c_str());
    }
    return status;
}

}  // namespace

ExitStatus ExitStatusOf(int messageId) {
    for (const ErrorClass& c : kErrorClasses)
        for (const int id : c.ids)
            if (id == messageId) return c.status;
    return kExitOther;
}

int Run(const std::vector<std::string>& args, std::istream& in, bool inIsTerminal,
        std::ostream& out, std::ostream& err) {
    Runner run(out, err);
    Options o;
    bool done = false;
    if (const int s = run.parse(args, &o, &done); s != kExitOk || done) return s;
    const bool fromInput =
        (o.operands.size() == 1 && o.operands[0] == "-") || (o.operands.empty() && !o.units);
    if (fromInput && o.operands.empty() && inIsTerminal)
        return run.usage("nothing to convert: give SOURCE [TARGET], or lines on standard input");
    if (o.units && !o.operands.empty()) return run.usage("--units takes no operands");

    const MainDbScope dbScope;
    if (const int s = o.list.empty() ? run.loadDatabase() : run.loadList(o.list); s != kExitOk)
        return s;
    if (o.mode >= 0) State::setDisplayMode(uint8_t(o.mode));
    const int precision = o.precision >= 0 ? o.precision : State::floatPrecision();
    if (o.units) return run.listUnits();
    if (fromInput) return run.batch(in, precision);
    return run.convertOne(o.operands[0], o.operands.size() > 1 ? o.operands[1] : std::string(),
                          precision);
}

}  // namespace kiv::cli
