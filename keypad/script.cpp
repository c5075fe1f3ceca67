// SPDX-License-Identifier: GPL-3.0-or-later
#include "keypad/script.h"

#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "res/resource.h"
#include "window/window.h"

namespace kiv {

void RunKey(const ScriptKey& key) {
    if (!key.chars.empty()) {
        for (const char c : key.chars) onChar(static_cast<unsigned char>(c));
        return;
    }
    const int id = key.id;
    if (id >= IDC_BUTTON_FIRST && id <= IDC_BUTTON_LAST) {
        onButton(id);
    } else if (id == IDC_SCROLL_LEFT || id == IDC_SCROLL_RIGHT) {
        onScrollButton(id);
    } else if (id >= ID_KEY_FIRST && id <= ID_KEY_LAST) {
        onKeyCommand(id);
    } else if (id >= ID_RADIX_FLOAT && id <= ID_RADIX_STACK) {
        onRadixCommand(id);
    } else if (id >= ID_WORD_8 && id <= ID_WORD_128) {
        onWordSizeCommand(id);
    } else if (id == ID_UNIT_SETBUTTON) {
        startAssign();
    } else if (id == ID_EDIT_PASTE) {
        std::string text;
        if (GetWindow().clipboardText(&text)) PasteText(text);
    } else if (id == ID_EDIT_UNDO) {
        Undo();
        refreshDisplay();
    }
}

void RunScript(std::initializer_list<ScriptKey> keys) {
    for (const ScriptKey& k : keys) RunKey(k);
}

void RunScript(const std::vector<ScriptKey>& keys) {
    for (const ScriptKey& k : keys) RunKey(k);
}

}  // namespace kiv
