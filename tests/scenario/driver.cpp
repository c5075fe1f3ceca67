// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "keypad/dispatch.h"
#include "res/resource.h"
#include "scenario/scenario.h"
#include "support/ownership.h"
#include "window/appevent.h"
#include "window/calctext.h"

namespace kiv::scenario {

namespace {

std::map<std::string, Verb>& Verbs() {
    static std::map<std::string, Verb> verbs;
    return verbs;
}

struct Line {
    int number;
    std::string text;
};

struct CaseText {
    std::string title;
    int line;
    std::vector<Line> lines;
};

// The prelude first (untitled), then the cases; "list" gathers the lines up
// to "end" into its argument, one per line after its head's line break.
std::vector<CaseText> ReadCaseFile(const std::string& path) {
    std::vector<CaseText> f(1);
    std::ifstream in(path, std::ios::binary);
    Line* gathering = nullptr;
    int n = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++n;
        const std::string t = Trim(raw);
        if (gathering && t == "end") {
            gathering = nullptr;
        } else if (gathering) {
            gathering->text += t + "\n";
        } else if (t.rfind("==", 0) == 0) {
            f.push_back({Trim(t.substr(2)), n, {}});
        } else if (!t.empty() && t[0] != '#') {
            f.back().lines.push_back({n, t});
            if (t == "list" || t.rfind("list ", 0) == 0)
                (gathering = &f.back().lines.back())->text += " \n";
        }
    }
    return f;
}

std::vector<std::string> CaseFiles() {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(KIV_CASES_DIR))
        if (e.path().extension() == ".txt") files.push_back(e.path().stem().string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

bool RegisterVerb(const std::string& name, Verb verb) {
    if (!Verbs().emplace(name, std::move(verb)).second) {
        std::fprintf(stderr, "scenario verb %s registered twice\n", name.c_str());
        std::abort();
    }
    return true;
}

void Case::fail(const std::string& what) {
    failed = true;
    ADD_FAILURE_AT(file.c_str(), line) << "[" << title << "] " << what;
}

void Case::run(const std::string& text, int atLine) {
    line = atLine;
    const auto [verb, args] = Head(text);
    const auto it = Verbs().find(verb);
    if (it == Verbs().end()) return fail("unknown verb '" + verb + "'");
    it->second(*this, args);
}

bool Case::nextDialog() {
    if (dialogLines.empty()) return false;
    const std::string text = dialogLines.front();
    dialogLines.erase(dialogLines.begin());
    run(text, line);
    return true;
}

const FakeWindow::Shown* Case::nextMessage(const std::string& what) {
    if (messagesSeen < win().messages.size()) return &win().messages[messagesSeen++];
    fail(what + " was not shown");
    return nullptr;
}

std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

std::pair<std::string, std::string> Head(const std::string& s, const char* sep) {
    const size_t at = s.find(sep);
    if (at == std::string::npos) return {Trim(s), ""};
    return {Trim(s.substr(0, at)), Trim(s.substr(at + std::strlen(sep)))};
}

std::vector<std::string> Bars(const std::string& s) {
    return Split(s, " | ");
}

std::vector<std::string> Split(const std::string& s, const std::string& sep) {
    std::vector<std::string> out;
    if (Trim(s).empty()) return out;
    for (size_t from = 0, at = 0; at != std::string::npos; from = at + sep.size()) {
        at = s.find(sep, from);
        out.push_back(Trim(s.substr(from, at == std::string::npos ? at : at - from)));
    }
    return out;
}

std::string Join(const std::vector<std::string>& parts, const char* sep) {
    std::string s;
    for (size_t i = 0; i < parts.size(); ++i) s += (i ? sep : "") + parts[i];
    return s;
}

int IntArg(Case& c, const std::string& s) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 0);
    if (s.empty() || *end) c.fail("not a number: '" + s + "'");
    return int(v);
}

std::string Readable(std::string s) {
    ToPlainText(s);
    return s;
}

std::string Escaped(const std::string& s) {
    std::string out;
    char buf[8];
    for (const char ch : s) {
        const auto u = static_cast<unsigned char>(ch);
        std::snprintf(buf, sizeof buf, u >= 0x20 && u < 0x7F ? "%c" : "\\x%02x", u);
        out += buf;
    }
    return out;
}

void Expect(Case& c, const std::string& what, const std::string& got, const std::string& want) {
    if (got != want) c.fail(what + " is '" + Escaped(got) + "', expected '" + Escaped(want) + "'");
}

std::string Unescaped(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out += char(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

void PutFields(Case& c, const std::map<std::string, Field>& fields, const std::string& args,
               bool check) {
    const auto w = Words(args);
    if (w.size() % 2) c.fail("fields want pairs of name and value");
    for (size_t i = 0; i + 1 < w.size(); i += 2) {
        const auto it = fields.find(w[i]);
        if (it == fields.end() || !(check || it->second.set)) return c.fail("no field " + w[i]);
        if (check)
            Expect(c, w[i], it->second.get(), Unescaped(w[i + 1]));
        else
            it->second.set(Unescaped(w[i + 1]));
    }
}

namespace {

void RunCase(const std::string& file, const CaseText& prelude, const CaseText& ct) {
    Case c{.file = file, .line = ct.line, .title = ct.title, .db = std::make_unique<TestDb>()};
    resetKeypadState();
    SetSeparators('.', ',');
    setDisplayGeometry(0, 280, 280, 5);
    // The window's side of the refresh request.
    SetAppEventHandler([&c](int code, int) {
        if (code != APP_EVENT_REFRESH) return;
        ++c.refreshes;
        onUnitChosen();
    });
    // Without an "ondialog" line a dialog closes at once.
    c.win().onDialog = [&c](Window::DialogKind) { c.nextDialog(); };
    for (const Line& l : prelude.lines) c.run(l.text, l.number);
    for (const Line& l : ct.lines) c.run(l.text, l.number);
    c.line = ct.line;
    auto& shown = c.win().messages;
    for (size_t i = c.messagesSeen; i < shown.size(); ++i)
        c.fail("message not expected: " + Escaped(shown[i].caption + ": " + shown[i].text));
    if (!c.dialogLines.empty()) c.fail("a dialog line was never run: " + c.dialogLines.front());
    const std::string report = OwnershipReport();
    if (!report.empty()) c.fail("ownership: " + report);
    SetAppEventHandler(nullptr);
}

class Scenario : public ::testing::TestWithParam<std::string> {};

TEST_P(Scenario, Cases) {
    const std::string path = std::string(KIV_CASES_DIR) + "/" + GetParam() + ".txt";
    const std::vector<CaseText> f = ReadCaseFile(path);
    ASSERT_GT(f.size(), 1u) << path << " holds no case";
    for (size_t i = 1; i < f.size(); ++i) RunCase(path, f[0], f[i]);
}

// A file's stem is its test's name: letters, digits and "_" only.
INSTANTIATE_TEST_SUITE_P(Files, Scenario, ::testing::ValuesIn(CaseFiles()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kiv::scenario
