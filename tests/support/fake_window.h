// A scripted window for tests: records what the core showed and answers
// message boxes from a queue (OK / Yes when the queue is empty).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/core/window.h"

namespace kiv {

class FakeWindow : public Window {
  public:
    struct Shown {
        std::string caption;
        std::string text;
        int style;
    };

    FakeWindow();
    ~FakeWindow() override;

    // Message boxes.
    std::vector<Shown> messages;
    std::deque<Answer> answers;  // consumed front first
    int beeps = 0;
    // The ids (as numbers in the text are ambiguous, tests compare texts).
    bool shownText(const std::string& fragment) const;
    void clearMessages() { messages.clear(); }

    // Text metric: every byte has a fixed, distinct width per font, so that
    // fitting is deterministic. Width of byte c = base + (c % 5).
    int textWidth(FontId font, const char* text, int count) override;
    int textHeight(FontId font) override;

    // Controls.
    std::map<int, std::string> controlText;
    std::map<int, bool> controlEnabled;
    std::map<int, bool> controlShown;
    int controlTextWrites = 0;
    std::vector<EntryRun> entryRuns;
    std::string entryPlain() const;  // the runs' text joined
    std::vector<std::string> stackRows;
    std::map<int, bool> menuEnabled;
    std::map<int, bool> menuChecked;
    std::string clipboard;
    bool hasClipboard = false;

    // Popups and files: answered from queues (0 / cancel when empty).
    std::deque<int> popupAnswers;
    std::vector<int> popupsShown;  // popup index of each shown popup
    std::deque<std::string> fileAnswers;
    std::vector<Window::DialogKind> dialogsRun;
    std::function<void(Window::DialogKind)> onDialog;

    Answer messageBox(const std::string& caption, const std::string& text, int style) override;
    void beep() override { ++beeps; }
    void setControlText(int id, const std::string& text) override;
    void enableControl(int id, bool on) override { controlEnabled[id] = on; }
    void showControl(int id, bool on) override { controlShown[id] = on; }
    void renderEntry(const std::vector<EntryRun>& runs) override { entryRuns = runs; }
    void setStackList(const std::vector<std::string>& rows) override { stackRows = rows; }
    void enableMenuItem(int id, bool on) override { menuEnabled[id] = on; }
    void checkMenuItem(int id, bool on) override { menuChecked[id] = on; }
    void setClipboardText(const std::string& text) override {
        clipboard = text;
        hasClipboard = true;
    }
    bool clipboardText(std::string* text) override {
        if (!hasClipboard) return false;
        *text = clipboard;
        return true;
    }
    int popupMenu(int popupIndex, int checkedCommand, int anchorButtonId) override;
    bool chooseFile(bool save, const std::string& title, const std::string& startFolder,
                    std::string* path) override;
    void runDialog(DialogKind kind) override;
};

}  // namespace kiv
