// SPDX-License-Identifier: GPL-3.0-or-later
// Menu items of the main window, kept in step with the calculator's mode.
#pragma once

namespace kiv {

// Undo is enabled while arguments are saved; Define unit, Make primitive,
// Set button and the four display modes only in floating mode (grayed in
// integer mode). The state record calls it (UpdateMenuState in
// storage/state.h) whenever either changes.
void ShowMenuState(bool undoAvailable, bool floating);

}  // namespace kiv
