// SPDX-License-Identifier: GPL-3.0-or-later
// Calculator text beside the layout walk of tests/cases/entry_line.txt:
// the measuring box, and the separators taken from the locale's texts.
#include "window/calctext.h"

#include <gtest/gtest.h>

#include "support/fake_window.h"

namespace kiv {
namespace {

TEST(CalcText, MeasuringBoxAndLocaleSeparators) {
    FakeWindow w;
    EXPECT_EQ(MeasureText(std::string(300, '0').data(), 300, ListFontPair()), 1000);
    EXPECT_EQ(MeasureText(nullptr, 5, ListFontPair()), 0);
    // One character each, never the same one, so that a copied number pastes
    // back as the same number.
    const struct {
        std::string decimal, group, want;
    } rows[] = {
        {",", "\xA0", ",\xA0"},       // French, as the window hands the no-break space over
        {",", "\xE2\x80\xAF", ",."},  // a group mark the code page cannot hold
        {",", ",", ",."},             // the group separator gives way
        {".", ".", ".,"},
        {std::string(1, '\0'), "\xD9\xAC", ".,"},  // a zero byte, two bytes: the defaults
    };
    for (const auto& r : rows) {
        const auto [decimal, group] = SeparatorsFromLocale(r.decimal, r.group);
        EXPECT_EQ(std::string() + decimal + group, r.want) << r.decimal << " " << r.group;
    }
}

}  // namespace
}  // namespace kiv
