#include "app/core/menus.h"

#include "app/core/window.h"
#include "res/resource.h"
#include "storage/state.h"

namespace kiv {

void UpdateMenuState() {
    if (!StateLocated()) return;
    Window& w = GetWindow();
    w.enableMenuItem(ID_EDIT_UNDO, State::savedCount() != 0);
    const bool floating = State::radix() == 0;
    w.enableMenuItem(ID_UNIT_DEFINE, floating);
    w.enableMenuItem(ID_UNIT_PRIMITIVE, floating);
    w.enableMenuItem(ID_UNIT_SETBUTTON, floating);
    for (int id = ID_DISPLAY_STANDARD; id <= ID_DISPLAY_ENGINEERING; ++id)
        w.enableMenuItem(id, floating);
}

}  // namespace kiv
