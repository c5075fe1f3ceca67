// SPDX-License-Identifier: GPL-3.0-or-later
// Application events sent to the main window. Code 4000 is the refresh
// request: apply a unit chosen in the Units dialog, relabel, redraw.
#pragma once

#include <functional>

namespace kiv {

// Calls the installed handler synchronously; nothing when none is installed.
void SendAppEvent(int code, int arg = 0);
// The main window installs its handler (tests install their own).
void SetAppEventHandler(std::function<void(int code, int arg)> handler);

}  // namespace kiv
