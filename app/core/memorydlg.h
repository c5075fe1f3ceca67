// SPDX-License-Identifier: GPL-3.0-or-later
// The logic of the Memory dialog (template 506, menu 507 "Clear"): ten
// registers in the state record, Store, Recall, Clear Selection, Clear All.
#pragma once

#include <string>
#include <vector>

#include "storage/value.h"

namespace kiv {

// Deletes the unit expression of the register's old real content, then
// writes `v`; the register takes over v's expression.
void SetMemoryRegister(int i, const Value& v);

class CMemoryDlgLogic {
  public:
    // Opening: computes nothing but the lines; `valueWidth` is the list's
    // client width less three horizontal dialog base units, in pixels.
    explicit CMemoryDlgLogic(int valueWidth);

    // "i\t<value>" for registers 0..9, as plain text.
    std::vector<std::string> lines() const;
    // The selection kept between openings within a run (initially 0).
    static int RememberedSelection();
    static void ResetRememberedSelection();  // tests

    // Each returns true when the dialog ends (with OK). `selection` is the
    // list's current selection, -1 for none.
    bool store(int selection);
    bool recall(int selection);
    void clearSelection(int selection);  // the dialog stays open
    void clearAll();

  private:
    int valueWidth_;
};

}  // namespace kiv
