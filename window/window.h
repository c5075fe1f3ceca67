// SPDX-License-Identifier: GPL-3.0-or-later
// The one interface through which the core reaches the screen.
//
// Data flow of a key press: the host (the Qt main dialog, or a test's fake)
// turns a click, a key or a typed character into a command id and calls the
// keypad dispatch (keypad/dispatch.h). Dispatch runs the button action, which
// edits the entry line (keypad/entry.h) or runs an engine operation
// (engine/*.h) on the stack inside the state record (storage/state.h). The
// engine combines units through the unit algebra (units/algebra.h), which
// keeps every expression as a record of the main database
// (storage/maindb.h). Afterwards the keypad relabels the buttons and redraws
// the stack list and the entry line, all through this interface.
//
// Lifetime: one Window is installed with SetWindow() for the whole run (the
// main dialog, or a test fixture) and outlives every core call. Every call is
// made on the user-interface thread. Text passed in either direction is 8-bit
// calculator text; the host converts at its own boundary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kiv {

// Message box styles, as the two letters of a coded message select them.
enum MessageStyle : int {
    MB_OK = 0,
    MB_OKCANCEL = 1,
    MB_YESNO = 4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
};

enum class Answer { Ok, Cancel, Yes, No, Closed };

// Fonts the core measures with: the two font pairs of the main window.
enum class FontId { EntryLarge, EntrySmall, ListLarge, ListSmall };

// One formatted run of the entry line, as the layout walk produces it.
enum class RunKind { Plain, DecimalMark, Superscript };
struct EntryRun {
    std::string text;  // plain bytes; the glyph for special runs
    RunKind kind = RunKind::Plain;
};

class Window {
  public:
    virtual ~Window() = default;

    // A modal message box over the main window; blocks until answered.
    virtual Answer messageBox(const std::string& caption, const std::string& text, int style) = 0;
    virtual void beep() = 0;

    // Measuring. Widths in pixels of the first `count` bytes of plain text.
    virtual int textWidth(FontId font, const char* text, int count) = 0;
    virtual int textHeight(FontId font) = 0;

    // Controls of the main dialog, by id.
    virtual void setControlText(int id, const std::string& text) = 0;
    virtual void enableControl(int id, bool on) = 0;
    virtual void showControl(int id, bool on) = 0;

    // Replaces the entry line's content with formatted runs.
    virtual void renderEntry(const std::vector<EntryRun>& runs) = 0;
    // Replaces the stack list's rows and scrolls to the last one.
    virtual void setStackList(const std::vector<std::string>& rows) = 0;
    // A note drawn over the empty stack list (never blocking a key); an
    // empty text removes it.
    virtual void setStackHint(const std::string& text) { (void)text; }

    // Menu items of the main window.
    virtual void enableMenuItem(int id, bool on) = 0;
    virtual void checkMenuItem(int id, bool on) = 0;

    // Clipboard, plain text.
    virtual void setClipboardText(const std::string& text) = 0;
    virtual bool clipboardText(std::string* text) = 0;

    // A popup menu at the centre of a button: returns the chosen command id or
    // 0. `checkedCommand` carries the radio mark.
    virtual int popupMenu(int popupIndex, int checkedCommand, int anchorButtonId) = 0;

    // A file dialog; false when cancelled.
    virtual bool chooseFile(bool save, const std::string& title, const std::string& startFolder,
                            std::string* path) = 0;

    // Dialogs that keypad actions open (Memory, Units). The host runs them
    // modally; their logic lives in the core.
    enum class DialogKind { Memory, Units, DefineUnit };
    virtual void runDialog(DialogKind kind) = 0;

    // Drawing scopes: the outermost scope's end is where the window paints.
    virtual void beginScope() {}
    virtual void endScope() {}
};

// Answers every question with its first button and draws nothing: the
// window of tools and fuzzers that run the core without a screen.
class HeadlessWindow : public Window {
  public:
    Answer messageBox(const std::string&, const std::string&, int style) override {
        return (style & 0x0F) == MB_YESNO ? Answer::Yes : Answer::Ok;
    }
    void beep() override {}
    int textWidth(FontId, const char*, int count) override { return 7 * count; }
    int textHeight(FontId) override { return 16; }
    void setControlText(int, const std::string&) override {}
    void enableControl(int, bool) override {}
    void showControl(int, bool) override {}
    void renderEntry(const std::vector<EntryRun>&) override {}
    void setStackList(const std::vector<std::string>&) override {}
    void enableMenuItem(int, bool) override {}
    void checkMenuItem(int, bool) override {}
    void setClipboardText(const std::string&) override {}
    bool clipboardText(std::string*) override { return false; }
    int popupMenu(int, int, int) override { return 0; }
    bool chooseFile(bool, const std::string&, const std::string&, std::string*) override {
        return false;
    }
    void runDialog(DialogKind) override {}
};

// The installed window; a null-object window when none was installed, so
// that storage and unit code can run in tools and fuzzers.
Window& GetWindow();
void SetWindow(Window* w);

}  // namespace kiv
