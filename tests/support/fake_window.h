// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted window for tests: records what the core showed and answers
// message boxes from a queue (OK / Yes when the queue is empty).
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "window/window.h"

namespace kiv {

class FakeWindow : public Window {
  public:
    struct Shown {
        std::string caption;
        std::string text;
        int style;
    };

    FakeWindow() { SetWindow(this); }
    ~FakeWindow() override { SetWindow(nullptr); }

    // Message boxes.
    std::vector<Shown> messages;
    std::deque<Answer> answers;  // consumed front first
    int beeps = 0;
    // The ids (as numbers in the text are ambiguous, tests compare texts).
    bool shownText(const std::string& fragment) const {
        return std::any_of(messages.begin(), messages.end(), [&](const Shown& m) {
            return m.text.find(fragment) != std::string::npos;
        });
    }
    void clearMessages() { messages.clear(); }

    // Text metric: every byte has a fixed, distinct width per font, so that
    // fitting is deterministic. Width of byte c = kWidth[font] + (c % 5).
    static constexpr int kWidth[] = {10, 7, 7, 5}, kHeight[] = {22, 16, 16, 13};
    int textWidth(FontId font, const char* text, int count) override {
        int w = 0;
        for (int i = 0; i < count; ++i) w += kWidth[int(font)] + (unsigned char)text[i] % 5;
        return w;
    }
    int textHeight(FontId font) override { return kHeight[int(font)]; }

    // Controls.
    std::map<int, std::string> controlText;
    std::map<int, bool> controlEnabled;
    std::map<int, bool> controlShown;
    int controlTextWrites = 0;
    std::vector<EntryRun> entryRuns;
    std::string entryPlain() const {  // the runs' text joined
        std::string s;
        for (const auto& r : entryRuns) s += r.text;
        return s;
    }
    std::vector<std::string> stackRows;
    std::string stackHint;
    std::map<int, bool> menuEnabled;
    std::map<int, bool> menuChecked;
    std::string clipboard;
    bool hasClipboard = false;

    // Popups: answered from a queue (0 when empty); every file dialog is cancelled.
    std::deque<int> popupAnswers;
    std::vector<Window::DialogKind> dialogsRun;
    std::function<void(Window::DialogKind)> onDialog;

    Answer messageBox(const std::string& caption, const std::string& text, int style) override {
        messages.push_back({caption, text, style});
        return Next(answers, (style & 0x0F) == MB_YESNO ? Answer::Yes : Answer::Ok);
    }
    void beep() override { ++beeps; }
    void setControlText(int id, const std::string& text) override {
        controlText[id] = text;
        ++controlTextWrites;
    }
    void enableControl(int id, bool on) override { controlEnabled[id] = on; }
    void showControl(int id, bool on) override { controlShown[id] = on; }
    void renderEntry(const std::vector<EntryRun>& runs) override { entryRuns = runs; }
    void setStackList(const std::vector<std::string>& rows) override { stackRows = rows; }
    void setStackHint(const std::string& text) override { stackHint = text; }
    void enableMenuItem(int id, bool on) override { menuEnabled[id] = on; }
    void checkMenuItem(int id, bool on) override { menuChecked[id] = on; }
    void setClipboardText(const std::string& text) override {
        clipboard = text;
        hasClipboard = true;
    }
    bool clipboardText(std::string* text) override {
        if (hasClipboard) *text = clipboard;
        return hasClipboard;
    }
    int popupMenu(int, int, int) override { return Next(popupAnswers, 0); }
    bool chooseFile(bool, const std::string&, const std::string&, std::string*) override {
        return false;
    }
    void runDialog(DialogKind kind) override {
        dialogsRun.push_back(kind);
        if (onDialog) onDialog(kind);
    }

  private:
    // The next scripted answer; `none` when the queue is empty.
    template <class T>
    static T Next(std::deque<T>& queue, T none) {
        if (queue.empty()) return none;
        T t = queue.front();
        queue.pop_front();
        return t;
    }
};

}  // namespace kiv
