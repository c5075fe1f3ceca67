// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/corelink.h"

#include "engine/arith.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "keypad/keypad.h"
#include "window/calctext.h"

namespace kiv {

CoreLink& Core() {
    static CoreLink link;
    return link;
}

void InstallCoreLink() {
    CoreLink& c = Core();
    c.onButton = [](int id) { onButton(id); };
    c.onKeyCommand = [](int command) { onKeyCommand(command); };
    c.scrollEntry = [](int id) { onScrollButton(id); };
    c.radixCommand = [](int command) { onRadixCommand(command); };
    c.wordSizeCommand = [](int command) { onWordSizeCommand(command); };
    c.startAssign = [] { startAssign(); };
    c.cancelAssign = [] { return cancelAssign(); };
    c.onUnitChosen = [] { onUnitChosen(); };
    c.refreshLabels = [] { refreshLabels(); };
    c.refreshDisplay = [] { refreshDisplay(); };
    c.commitEntry = [] { commitEntry(); };
    c.showBusy = [] { showBusy(); };
    c.undo = [] { Undo(); };
    c.makePrimitive = [] { MakePrimitive(); };
    c.exchange = [](int level) { return Exchange(level); };
    c.stackDepth = [] { return Depth(); };
    c.pasteText = [](const std::string& text) { PasteText(text); };
    c.copyTopText = [] { return CopyTopText(); };
    c.buttonTooltip = [](int id) { return buttonTooltip(id); };
    c.buttonSpokenName = [](int id) { return buttonSpokenName(id); };
    c.buttonKeyName = [](int id) { return buttonKeyName(id); };
    c.plainText = [](std::string text) {
        ToPlainText(text);
        return text;
    };
    c.setGeometry = [](int left, int right, int width, int rows) {
        setDisplayGeometry(left, right, width, rows);
    };
    c.createFonts = [] { CreateFonts(); };
    c.setSeparators = [](char decimal, char group) { SetSeparators(decimal, group); };
    c.separatorsFromLocale = [](const std::string& decimal, const std::string& group) {
        return SeparatorsFromLocale(decimal, group);
    };
}

}  // namespace kiv
