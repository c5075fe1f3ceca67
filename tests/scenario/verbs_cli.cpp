// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs of the command-line converter's cases: kiv-convert run in the
// process on a data folder of its own, which the case fills as the window
// saves its database; every run must leave that folder byte for byte as
// it found it.
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "cli/kivconvert.h"
#include "scenario/scenario.h"

namespace kiv::scenario {
namespace {

namespace fs = std::filesystem;

// <tmp>/kiv, the data folder of the case that made it; a new case starts
// from an empty one.
struct Folder {
    const Case* owner = nullptr;
    std::string title;
    std::string home;
    ~Folder() { drop(); }
    void drop() {
        std::error_code ec;
        if (!home.empty()) fs::remove_all(home, ec);
        home.clear();
    }
    const std::string& forCase(const Case& c) {
        if (owner != &c || title != c.title || home.empty()) {
            drop();
            std::string tmpl = (fs::temp_directory_path() / "kivcli.XXXXXX").string();
            if (::mkdtemp(tmpl.data())) home = tmpl;
            fs::create_directories(home + "/kiv");
            owner = &c;
            title = c.title;
        }
        return home;
    }
    std::string file() const { return home + "/kiv/" + kMainDbFileName; }
};
Folder g_folder;

std::map<std::string, std::vector<uint8_t>> Snapshot(const std::string& home) {
    std::map<std::string, std::vector<uint8_t>> files;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(home, ec))
        files[e.path().string()] =
            e.is_regular_file() ? ReadBytes(e.path().string()) : std::vector<uint8_t>{};
    return files;
}

// Output as a case writes it: lines joined by "\n", tabs as "\t", the
// data folder as "@", nothing as "-".
std::string AsWritten(std::string s, const std::string& home) {
    if (!s.empty() && s.back() == '\n') s.pop_back();
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, home.size(), home) == 0 && !home.empty()) {
            out += '@';
            i += home.size() - 1;
        } else if (s[i] == '\n') {
            out += "\\n";
        } else if (s[i] == '\t') {
            out += "\\t";
        } else {
            out += s[i];
        }
    }
    return out.empty() ? "-" : out;
}

// Arguments as a shell splits them: blanks separate, '...' quotes.
std::vector<std::string> ShellWords(const std::string& s, const std::string& home) {
    std::vector<std::string> words;
    std::string w;
    bool quoted = false, any = false;
    for (const char ch : s) {
        if (ch == '\'') {
            quoted = !quoted;
            any = true;
        } else if (ch == ' ' && !quoted) {
            if (any) words.push_back(w);
            w.clear();
            any = false;
        } else {
            w += ch;
            any = true;
        }
    }
    if (any) words.push_back(w);
    for (std::string& x : words)
        if (x.rfind("@/", 0) == 0) x = home + x.substr(1);
    return words;
}

// Unescaped, and "\t", "\r" too.
std::string Lines(const std::string& s) {
    std::string t;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 't' || s[i + 1] == 'r')) {
            t += s[++i] == 't' ? '\t' : '\r';
        } else {
            t += s[i];
        }
    }
    return Unescaped(t);
}

}  // namespace

// clidb save | none | cut N | set OFF BYTE | file NAME TEXT: the data
// folder's kivDB_pdb as the window saves the case's database, removed,
// cut to N bytes, or one byte changed; or another file (a unit list).
KIV_VERB("clidb") {
    const std::string& home = g_folder.forCase(c);
    const auto w = Words(args);
    const std::string file = g_folder.file();
    if (w.size() == 1 && w[0] == "save") {
        if (!SaveDatabase(*MainDb(), home + "/kiv")) c.fail("the database was not saved");
    } else if (w.size() == 1 && w[0] == "none") {
        fs::remove(file);
    } else if (w.size() == 2 && w[0] == "cut") {
        std::vector<uint8_t> b = ReadBytes(file);
        b.resize(std::min(b.size(), size_t(IntArg(c, w[1]))));
        WriteBytes(file, b);
    } else if (w.size() == 3 && w[0] == "set") {
        std::vector<uint8_t> b = ReadBytes(file);
        const size_t off = size_t(IntArg(c, w[1]));
        if (off >= b.size()) return c.fail("the file is shorter");
        b[off] = uint8_t(IntArg(c, w[2]));
        WriteBytes(file, b);
    } else if (w.size() >= 2 && w[0] == "file") {
        const auto [name, text] = Head(Head(args).second);
        const std::string bytes = Lines(text);
        WriteBytes(home + "/" + name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    } else {
        c.fail("clidb save | none | cut N | set OFF BYTE | file NAME TEXT");
    }
}

// cli ARGS [<< INPUT] => STDOUT | STDERR | STATUS: kiv-convert with these
// arguments ('...' quotes, "@/" the folder the data folder is in) and
// these input lines ("\n", "\t"; without "<<" standard input is a
// terminal), on the data folder of "clidb".
KIV_VERB("cli") {
    const std::string& home = g_folder.forCase(c);
    const size_t arrow = args.rfind(" => ");
    if (arrow == std::string::npos) return c.fail("cli ARGS [<< INPUT] => OUT | ERR | STATUS");
    const std::vector<std::string> want = Bars(args.substr(arrow + 4));
    if (want.size() != 3) return c.fail("cli ... => OUT | ERR | STATUS");
    std::string command = args.substr(0, arrow);
    std::optional<std::string> input;
    if (const size_t in = command.find(" << "); in != std::string::npos) {
        input = Lines(command.substr(in + 4)) + "\n";
        command.resize(in);
    } else if (command.rfind("<< ", 0) == 0) {
        input = Lines(command.substr(3)) + "\n";
        command.clear();
    }
    const auto before = Snapshot(home);
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> oldXdg = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    std::istringstream in(input.value_or(""));
    std::ostringstream out, err;
    const int status = cli::Run(ShellWords(command, home), in, !input, out, err);
    if (oldXdg)
        ::setenv("XDG_DATA_HOME", oldXdg->c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
    Expect(c, "standard output", AsWritten(out.str(), home), want[0]);
    Expect(c, "standard error", AsWritten(err.str(), home), want[1]);
    Expect(c, "exit status", std::to_string(status), want[2]);
    if (Snapshot(home) != before) c.fail("kiv-convert changed the data folder");
}

}  // namespace kiv::scenario
