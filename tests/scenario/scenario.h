// SPDX-License-Identifier: GPL-3.0-or-later
// The scenario driver: runs the cases of tests/cases/*.txt against the core
// and the scripted fake window.
//
// A case file is a list of lines, one verb each ("verb arguments"). A line
// "== title" starts a case; the lines before the first case are a prelude
// run at the start of every case of the file. Each case starts from a fresh
// main database with a new state record; at its end every message shown
// must have been matched by a "msg" line and the unit-expression ownership
// must be sound. "#" starts a comment line. See tests/cases/README for the
// verbs.
//
// Verbs are registered by name (KIV_VERB); each suite's verbs live in a
// file of their own under tests/scenario/.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/test_db.h"

namespace kiv::scenario {

class Case {
  public:
    std::string file;
    int line = 0;  // of the verb being run
    std::string title;
    std::unique_ptr<TestDb> db;
    size_t messagesSeen = 0;  // messages matched by "msg" so far
    int refreshes = 0;        // refresh requests (4000) handled
    // Lines run by the next dialogs the core opens, in order.
    std::vector<std::string> dialogLines{};
    bool failed = false;

    FakeWindow& win() { return db->win; }
    // A failure at the current line, naming the case.
    void fail(const std::string& what);
    // Runs one line (a verb and its arguments) at `atLine`.
    void run(const std::string& text, int atLine);
    // Runs the next "ondialog" line; false when there is none.
    bool nextDialog();
    // The next message not yet matched; null, failing the case, when none.
    const FakeWindow::Shown* nextMessage(const std::string& what);
};

using Verb = std::function<void(Case& c, const std::string& args)>;
// Registers a verb; the name may not be taken yet.
bool RegisterVerb(const std::string& name, Verb verb);

// Helpers for verbs.
std::vector<std::string> Words(const std::string& s);  // split at blanks
std::string Trim(const std::string& s);
// The text before the first `sep` and the rest, both trimmed.
std::pair<std::string, std::string> Head(const std::string& s, const char* sep = " ");
// "a | b | c" into its trimmed parts; "" gives none.
std::vector<std::string> Bars(const std::string& s);
std::vector<std::string> Split(const std::string& s, const std::string& sep);
std::string Join(const std::vector<std::string>& parts, const char* sep = " | ");
// Parses an int, failing the case on junk. Accepts decimal and 0x.
int IntArg(Case& c, const std::string& s);
// Calculator text to what a person reads: ToPlainText, superscript digits
// as plain digits.
std::string Readable(std::string calcText);
// Bytes outside printable ASCII as \xNN (for messages).
std::string Escaped(const std::string& s);
// Fails the case unless got == want, naming what was checked.
void Expect(Case& c, const std::string& what, const std::string& got, const std::string& want);
// "\xNN" escapes and "\n" in case files to bytes.
std::string Unescaped(const std::string& s);

// A named field: its text, and how a text is put in (null: read only).
struct Field {
    std::function<std::string()> get;
    std::function<void(const std::string&)> set;
};
// "NAME VALUE ..." pairs: puts each value into its field, or (check)
// expects each field to give its value.
void PutFields(Case& c, const std::map<std::string, Field>& fields, const std::string& args,
               bool check);

}  // namespace kiv::scenario

#define KIV_VERB_CAT2(a, b) a##b
#define KIV_VERB_CAT(a, b) KIV_VERB_CAT2(a, b)
// KIV_VERB("name") { ... } defines a verb with parameters (Case& c,
// const std::string& args).
#define KIV_VERB(name)                                                                             \
    static void KIV_VERB_CAT(verb_, __LINE__)(::kiv::scenario::Case & c, const std::string& args); \
    static const bool KIV_VERB_CAT(verbReg_, __LINE__) =                                           \
        ::kiv::scenario::RegisterVerb(name, KIV_VERB_CAT(verb_, __LINE__));                        \
    static void KIV_VERB_CAT(verb_, __LINE__)([[maybe_unused]] ::kiv::scenario::Case & c,          \
                                              [[maybe_unused]] const std::string& args)
