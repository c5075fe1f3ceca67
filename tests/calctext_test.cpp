// Calculator text beside the layout walk of tests/cases/entry_line.txt:
// the measuring box and the locale's one-character rule.
#include "app/core/calctext.h"

#include <gtest/gtest.h>

#include "support/fake_window.h"

namespace kiv {
namespace {

TEST(CalcText, MeasuringBoxAndLocaleRule) {
    FakeWindow w;
    EXPECT_EQ(MeasureText(std::string(300, '0').data(), 300, ListFontPair()), 1000);
    EXPECT_EQ(MeasureText(nullptr, 5, ListFontPair()), 0);
    EXPECT_EQ(std::string() + SeparatorFromLocale(",", '.') + SeparatorFromLocale("ab", '.') +
                  SeparatorFromLocale(std::string(1, '\0'), ','),
              ",.,");
}

}  // namespace
}  // namespace kiv
