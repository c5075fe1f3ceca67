// SPDX-License-Identifier: GPL-3.0-or-later
// The string table of coded messages. Each entry is: icon letter, button
// letter, caption, a tab, then the text ("^1" and "^2" are placeholders).
#pragma once

namespace kiv {

// The entry for `id`, or nullptr when the table has none.
const char* FindMessageEntry(int id);

}  // namespace kiv
