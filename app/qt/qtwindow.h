// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt side of the core's window interface.
#pragma once

#include <QWidget>

#include "window/window.h"

namespace kiv {

// Converts 8-bit calculator text to Unicode: bytes above 0x7F read as
// Windows-1252 (0x95 is the bullet).
QString FromCalcText(const std::string& s);
std::string ToCalcText(const QString& s);

class QtWindow : public Window {
  public:
    explicit QtWindow(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    Answer messageBox(const std::string& caption, const std::string& text, int style) override;
    void beep() override;
    int textWidth(FontId font, const char* text, int count) override;
    int textHeight(FontId font) override;
    void setControlText(int, const std::string&) override {}
    void enableControl(int, bool) override {}
    void showControl(int, bool) override {}
    void renderEntry(const std::vector<EntryRun>&) override {}
    void setStackList(const std::vector<std::string>&) override {}
    void enableMenuItem(int, bool) override {}
    void checkMenuItem(int, bool) override {}
    void setClipboardText(const std::string& text) override;
    bool clipboardText(std::string* text) override;
    int popupMenu(int, int, int) override { return 0; }
    bool chooseFile(bool, const std::string&, const std::string&, std::string*) override {
        return false;
    }
    void runDialog(DialogKind) override {}

  protected:
    QWidget* owner_;
};

}  // namespace kiv
