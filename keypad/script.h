// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the keypad the way the main window does, from a script of button
// ids, menu and accelerator commands and typed characters, e.g.
// RunScript({"5", 2036, "2*"}). Used by tests, benchmarks and tools.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace kiv {

struct ScriptKey {
    int id = 0;         // a command id when `chars` is empty
    std::string chars;  // typed characters, each through onChar
    ScriptKey(int command) : id(command) {}
    ScriptKey(const char* typed) : chars(typed) {}
    ScriptKey(std::string typed) : chars(std::move(typed)) {}
};

// 2000..2045 onButton, 2103/2104 scrolling, 3000..3099 onKeyCommand,
// 3100..3105 and 3120..3124 the popup commands, 32800 startAssign,
// 57637 paste of the window's clipboard, 57643 Undo (then a redraw).
void RunKey(const ScriptKey& key);
void RunScript(std::initializer_list<ScriptKey> keys);
void RunScript(const std::vector<ScriptKey>& keys);

}  // namespace kiv
