// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/appevent.h"

#include <utility>

namespace kiv {
namespace {

std::function<void(int, int)>& Handler() {
    static std::function<void(int, int)> h;
    return h;
}

}  // namespace

void SendAppEvent(int code, int arg) {
    if (Handler()) Handler()(code, arg);
}

void SetAppEventHandler(std::function<void(int code, int arg)> handler) {
    Handler() = std::move(handler);
}

}  // namespace kiv
