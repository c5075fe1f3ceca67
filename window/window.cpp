// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/window.h"

namespace kiv {
namespace {

HeadlessWindow g_null;
Window* g_window = &g_null;

}  // namespace

Window& GetWindow() {
    return *g_window;
}
void SetWindow(Window* w) {
    g_window = w ? w : &g_null;
}

}  // namespace kiv
