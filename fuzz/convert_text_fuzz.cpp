// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the text conversion of kiv-convert: the input up to its first tab
// is the source, the rest the target, converted with the US list. Every
// outcome is a result or a message, never both and never neither; a batch's
// memory of unit texts gives the same outcome as reading them afresh, the
// first time and the second; nothing is left behind in the database.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/core/convert.h"
#include "app/core/unitlist.h"
#include "fuzz/invariants.h"
#include "support/test_db.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "convert_text_fuzz: %s\n%s\n", what, detail.c_str());
    std::abort();
}

bool Same(const kiv::ConversionOutcome& a, const kiv::ConversionOutcome& b) {
    return a.ok == b.ok && a.text == b.text && a.messageId == b.messageId && a.message == b.message;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kiv;
    if (size > 4096) return 0;
    static std::unique_ptr<TestDb> db;
    if (!db) {
        db = std::make_unique<TestDb>();
        std::string list;
        const std::string path = ShippedUnitListFolder() + "/units-US.txt";
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[4096];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) list.append(buf, n);
            std::fclose(f);
        }
        if (list.empty() || ReadUnitList(list, path) != 0) Fail("no unit list", path);
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t tab = text.find('\t');
    const std::string source = text.substr(0, tab);
    const std::string target = tab == std::string::npos ? std::string() : text.substr(tab + 1);
    const int before = check::ExpressionRecords();
    const ConversionOutcome plain = ConvertText(source, target, 15);
    if (plain.ok != (plain.messageId == 0) || plain.ok == plain.text.empty() ||
        plain.ok != plain.message.empty())
        Fail("neither a result nor a message", text);
    {
        UnitTextMemo memo;
        for (int round = 0; round < 2; ++round)
            if (!Same(ConvertText(source, target, 15, &memo), plain))
                Fail("the memory of unit texts changed the outcome", text);
    }
    if (check::ExpressionRecords() != before) Fail("expressions left behind", text);
    const std::string report = check::SoundnessReport();
    if (!report.empty()) Fail("unsound", report);
    return 0;
}
