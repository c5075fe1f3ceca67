// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/menus.h"

#include "res/resource.h"
#include "window/window.h"

namespace kiv {

void ShowMenuState(bool undoAvailable, bool floating) {
    Window& w = GetWindow();
    w.enableMenuItem(ID_EDIT_UNDO, undoAvailable);
    w.enableMenuItem(ID_UNIT_DEFINE, floating);
    w.enableMenuItem(ID_UNIT_PRIMITIVE, floating);
    w.enableMenuItem(ID_UNIT_SETBUTTON, floating);
    for (int id = ID_DISPLAY_STANDARD; id <= ID_DISPLAY_ENGINEERING; ++id)
        w.enableMenuItem(id, floating);
}

}  // namespace kiv
