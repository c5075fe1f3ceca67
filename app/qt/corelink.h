// SPDX-License-Identifier: GPL-3.0-or-later
// The calls the main dialog makes into the keypad and the engine. The dialog
// reaches the core only through this table, filled by InstallCoreLink(); an
// empty entry makes its command do nothing, so the window can be built and
// shown without the core.
#pragma once

#include <functional>
#include <string>
#include <utility>

namespace kiv {

struct CoreLink {
    std::function<void(int id)> onButton;              // 2000-2045
    std::function<void(int command)> onKeyCommand;     // 3000-3099
    std::function<void(int id)> scrollEntry;           // 2103, 2104
    std::function<void(int command)> radixCommand;     // 3100-3105: commit, switch
    std::function<void(int command)> wordSizeCommand;  // 3120-3124: commit, resize
    std::function<void()> startAssign;                 // 32800
    std::function<bool()> cancelAssign;                // Esc: false when no unit waits
    std::function<void()> onUnitChosen;                // refresh request 4000
    std::function<void()> refreshLabels;
    std::function<void()> refreshDisplay;
    std::function<void()> commitEntry;
    std::function<void()> showBusy;
    std::function<void()> undo;
    std::function<void()> makePrimitive;
    std::function<bool(int level)> exchange;  // level 0 shows 1302
    std::function<int()> stackDepth;
    std::function<void(const std::string& text)> pasteText;  // as typed keys
    std::function<std::string()> copyTopText;                // plain text
    std::function<std::string(int id)> buttonTooltip;
    std::function<std::string(int id)> buttonSpokenName;  // in words, for screen readers
    std::function<std::string(int id)> buttonKeyName;     // "" when no key does it
    // Calculator text as list boxes show it: digits and the decimal separator.
    std::function<std::string(std::string text)> plainText;
    // Display geometry handed to the core at start-up.
    std::function<void(int entryLeft, int entryRight, int stackWidth, int stackLines)> setGeometry;
    std::function<void()> createFonts;
    std::function<void(char decimal, char group)> setSeparators;
    std::function<std::pair<char, char>(const std::string& decimalText,
                                        const std::string& groupText)>
        separatorsFromLocale;
};

CoreLink& Core();
// Fills Core() with the keypad and engine entry points.
void InstallCoreLink();

}  // namespace kiv
