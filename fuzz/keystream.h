// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the core the way a user can, from a stream of bytes: keypad
// buttons, typed characters, accelerator and popup commands, clipboard,
// Undo, display modes, the Memory, Preferences, Units, Define unit and Edit
// Categories dialogs, unit list import of arbitrary text, and the answers to
// message boxes and popups. The key-stream fuzzer feeds it libFuzzer's
// bytes, the long run a pseudo-random stream.
#pragma once

#include <cstdint>
#include <string>

#include "app/core/categoriesdlg.h"
#include "app/core/definedlg.h"
#include "app/core/memorydlg.h"
#include "app/core/prefsdlg.h"
#include "app/core/unitlist.h"
#include "app/core/unitsdlg.h"
#include "engine/arith.h"
#include "engine/stack.h"
#include "keypad/dispatch.h"
#include "keypad/entry.h"
#include "keypad/keypad.h"
#include "keypad/script.h"
#include "res/resource.h"
#include "storage/state.h"
#include "support/fake_window.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"
#include "window/appevent.h"
#include "window/calctext.h"

namespace kiv::keystream {

// The bytes still to read; past the end every read gives 0.
class Input {
  public:
    Input(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    bool more() const { return i_ < n_; }
    uint8_t byte() { return i_ < n_ ? p_[i_++] : 0; }
    int below(int k) { return k > 0 ? byte() % k : 0; }
    // A length byte, then up to `max` bytes of text.
    std::string text(size_t max) {
        const size_t len = byte() % (max + 1);
        std::string s;
        for (size_t k = 0; k < len && more(); ++k) s += char(byte());
        return s;
    }

  private:
    const uint8_t* p_;
    size_t n_;
    size_t i_ = 0;
};

// Texts that dialogs and the clipboard are given: mostly sensible, some not.
inline std::string FieldText(Input& in) {
    static const char* const kFields[] = {"4",  "16",   "128", "3",  "129", "0",         "-1",
                                          "10", " 12 ", "x",   "",   "255", "256",       "300",
                                          "+8", "1e3",  "2",   "15", "99",  "999999999", "-40"};
    const int k = in.below(int(sizeof kFields / sizeof *kFields) + 1);
    if (k < int(sizeof kFields / sizeof *kFields)) return kFields[k];
    return in.text(12);
}

class Driver {
  public:
    explicit Driver(FakeWindow& win) : win_(win) {}

    // A unit table, units on a few buttons, and the host's refresh handler
    // and dialog runners. Call on a fresh main database.
    void setUp() {
        resetKeypadState();
        setDisplayGeometry(0, 280, 280, 5);
        CMemoryDlgLogic::ResetRememberedSelection();
        SetSeparators('.', ',');
        const UnitTable u = MakeUnitTable();
        setSlot(0, ExpressionOf(u.m));
        setSlot(1, ExpressionOf(u.s));
        setSlot(2, ExpressionOf(u.ft));
        setSlot(3, ExpressionOf(u.J));
        setSlot(25, ExpressionOf(u.kg));
        setSlot(26, ExpressionOf(u.h));
        refreshLabels();
        SetAppEventHandler([](int code, int) {
            if (code == APP_EVENT_REFRESH) onUnitChosen();
        });
        win_.onDialog = [this](Window::DialogKind kind) { dialog(kind); };
    }
    ~Driver() {
        SetAppEventHandler(nullptr);
        win_.onDialog = nullptr;
    }

    // One user action. The window keeps no history across steps.
    void step(Input& in) {
        in_ = &in;
        win_.clearMessages();
        win_.dialogsRun.clear();
        const int k = in.byte();
        if (k < 92 || k >= 244) {
            onButton(IDC_BUTTON_FIRST + k % 46);
        } else if (k < 160) {
            static const char kChars[] = "0123456789..ee--+*/\r\n\b ABCDEFGHZabfkmsxyz,_^%";
            onChar(static_cast<unsigned char>(kChars[(k - 92) % (sizeof kChars - 1)]));
        } else if (k < 172) {
            onKeyCommand(ID_KEY_FIRST + in.below(100));
        } else if (k < 176) {
            onRadixCommand(ID_RADIX_FLOAT + in.below(6));
        } else if (k < 179) {
            onWordSizeCommand(ID_WORD_8 + in.below(5));
        } else if (k < 181) {
            startAssign();
        } else if (k < 183) {
            win_.clipboard = in.below(2) ? in.text(40) : FieldText(in);
            win_.hasClipboard = true;
            RunKey(ID_EDIT_PASTE);
        } else if (k < 184) {
            win_.setClipboardText(CopyTopText());
        } else if (k < 187) {
            RunKey(ID_EDIT_UNDO);
        } else if (k < 189) {
            State::setDisplayMode(uint8_t(in.below(4)));
            refreshDisplay();
        } else if (k < 190) {
            if (State::radix() == 0) {
                commitEntry();
                refreshLabels();
                MakePrimitive();
                refreshDisplay();
            }
        } else if (k < 191) {
            onScrollButton(in.below(2) ? IDC_SCROLL_LEFT : IDC_SCROLL_RIGHT);
        } else if (k < 196) {
            memoryDialog();
        } else if (k < 199) {
            PrefsFields f = CPrefsDlgLogic::Open();
            if (in.below(2)) f.stackSize = FieldText(in);
            const int flags = in.byte();
            f.warnOverflow = flags & 1;
            f.simplifyUnits = flags & 2;
            f.invTrigUnits = flags & 4;
            f.askClear = flags & 8;
            f.hpStack = flags & 16;
            CPrefsDlgLogic::Ok(f);
        } else if (k < 201) {
            DisplayPrefsFields f = CDisplayPrefsDlgLogic::Open();
            if (in.below(2)) f.precision = FieldText(in);
            f.groups[size_t(in.below(6))] = FieldText(in);
            CDisplayPrefsDlgLogic::Ok(f);
        } else if (k < 209) {
            static const Answer kAnswers[] = {Answer::Ok, Answer::Cancel, Answer::Yes, Answer::No,
                                              Answer::Closed};
            win_.answers.push_back(kAnswers[in.below(5)]);
            if (win_.answers.size() > 8) win_.answers.pop_front();
        } else if (k < 214) {
            static const int kPopup[] = {0,    3100, 3101, 3102, 3103, 3104, 3105, 3120,
                                         3121, 3122, 3123, 3124, 2036, 9999, -1};
            win_.popupAnswers.push_back(kPopup[in.below(int(sizeof kPopup / sizeof *kPopup))]);
            if (win_.popupAnswers.size() > 8) win_.popupAnswers.pop_front();
        } else if (k < 217) {
            onUnitChosen();
        } else if (k < 226) {
            unitsDialog();
        } else if (k < 230) {
            if (State::radix() == 0) defineDialog();
        } else if (k < 234) {
            categoriesDialog();
        } else {
            importText();
        }
        in_ = nullptr;
    }

  private:
    void dialog(Window::DialogKind kind) {
        if (!in_) return;
        switch (kind) {
            case Window::DialogKind::Memory:
                memoryDialog();
                break;
            case Window::DialogKind::Units:
                unitsDialog();
                break;
            case Window::DialogKind::DefineUnit:
                defineDialog();
                break;
        }
    }

    void memoryDialog() {
        CMemoryDlgLogic dlg(200);
        (void)dlg.lines();
        for (int n = 1 + in_->below(3); n > 0; --n) {
            const int sel = in_->below(12) - 1;
            switch (in_->below(5)) {
                case 0:
                    if (dlg.store(sel)) return;
                    break;
                case 1:
                    if (dlg.recall(sel)) return;
                    break;
                case 2:
                    dlg.clearSelection(sel);
                    break;
                case 3:
                    dlg.clearAll();
                    break;
                default:
                    return;  // Cancel
            }
        }
        refreshDisplay();
    }

    void unitsDialog() {
        if (depth_ > 2) return;
        ++depth_;
        UnitsDialogRunners runners;
        runners.defineUnit = [this] { return defineDialog(); };
        runners.editCategories = [this] { categoriesDialog(); };
        {
            CUnitsDlgLogic dlg(150, runners);
            for (int n = 1 + in_->below(4); n > 0; --n) {
                const int rows = int(dlg.lines().size());
                dlg.select(in_->below(rows + 2) - 1);
                bool ends = false;
                switch (in_->below(9)) {
                    case 0:
                        ends = dlg.use();
                        break;
                    case 1:
                        dlg.remove();
                        break;
                    case 2:
                        dlg.rename();
                        break;
                    case 3:
                        dlg.redefine();
                        break;
                    case 4:
                        dlg.selectByLetter(char("amskfhJWN?"[in_->below(10)]));
                        break;
                    case 5: {
                        const auto& items = dlg.categories().items;
                        if (!items.empty())
                            dlg.categoryChosen(items[size_t(in_->below(int(items.size())))].data);
                        break;
                    }
                    case 6:
                        dlg.refresh();
                        break;
                    case 7:
                        dlg.cancel();
                        ends = true;
                        break;
                    default:
                        ends = dlg.use();
                        break;
                }
                if (ends) break;
            }
        }
        --depth_;
        onUnitChosen();
    }

    bool defineDialog() {
        static const char* const kNames[] = {
            "q",  "m", "furlong", "Zz",  "",  "a b", "verylongname", "kg", "1x",
            "ft", "u", "\xb5",    "x^2", "s", "Qq"};
        ++depth_;
        bool ended;
        {
            CDefineUnitLogic dlg(150, [this] { categoriesDialog(); });
            const int tries = 1 + in_->below(3);
            ended = false;
            for (int n = 0; n < tries && !ended; ++n) {
                const int choice = in_->below(8);
                if (choice == 0) {
                    dlg.cancel();
                    break;
                }
                if (choice == 1) {
                    const auto& items = dlg.categories().items;
                    if (!items.empty())
                        dlg.categoryChosen(items[size_t(in_->below(int(items.size())))].data);
                    continue;
                }
                const std::string name =
                    in_->below(4) ? kNames[in_->below(int(sizeof kNames / sizeof *kNames))]
                                  : in_->text(14);
                ended = dlg.ok(name, in_->below(18) - 1);
            }
        }
        --depth_;
        refreshDisplay();
        return ended;
    }

    void categoriesDialog() {
        CEditCategoriesLogic dlg([this](std::string* name) {
            if (in_->below(5) == 0) return false;
            *name = in_->below(3) ? std::string("Cat") + char('A' + in_->below(20)) : in_->text(20);
            return true;
        });
        for (int n = 1 + in_->below(3); n > 0; --n) {
            const int cat = in_->below(17) - 1;
            switch (in_->below(3)) {
                case 0:
                    dlg.onNew();
                    break;
                case 1:
                    dlg.onRename(cat);
                    break;
                default:
                    dlg.onDelete(cat);
                    break;
            }
        }
    }

    void importText() {
        static const char* const kLines[] = {".cat 3 Length\n",
                                             "m 3\n",
                                             "ft 3 0.3048 m\n",
                                             "yd 3 3 ft\n",
                                             "s 0\n",
                                             "mph 0 1 mi/h\n",
                                             "mi 3 5280 ft\n",
                                             "h 0 3600 s\n",
                                             ".btn 4 1 yd\n",
                                             ".btn 5\n",
                                             "acre 2 4840 yd2\n",
                                             "# note\n",
                                             "bad line\n",
                                             ".cat 99 X\n",
                                             "q 0 0 m\n",
                                             "r 0 1e400 m\n",
                                             "loop 0 2 loop\n",
                                             "K 0\n",
                                             "degC 0 1 K @ 273.15\n",
                                             "Cdeg 0 1 degC\n",
                                             "degF 0 0.5555555555555556 K @ 255.3722222222222\n",
                                             ".btn 6 1 degC\n",
                                             ".btn 7 1 Cdeg\n",
                                             "on 0 1 degC @ 1\n",
                                             "x 0 1 m @ -\n"};
        std::string text;
        for (int n = in_->below(8); n > 0; --n) {
            if (in_->below(4))
                text += kLines[in_->below(int(sizeof kLines / sizeof *kLines))];
            else
                text += in_->text(40) + "\n";
        }
        ReadUnitList(text, "fuzz.txt");
        onUnitChosen();
    }

    FakeWindow& win_;
    Input* in_ = nullptr;
    int depth_ = 0;
};

}  // namespace kiv::keystream
