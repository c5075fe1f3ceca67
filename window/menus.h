// Menu items of the main window, kept in step with the calculator's mode.
#pragma once

namespace kiv {

// Undo follows the saved-argument count; Define unit, Make primitive, Set
// button and the four display modes are grayed in integer mode.
void UpdateMenuState();

}  // namespace kiv
