#include "window/window.h"

namespace kiv {
namespace {

// Answers every question with its first button and draws nothing: used by
// tools and fuzzers that run the core without a screen.
class NullWindow final : public Window {
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

NullWindow g_null;
Window* g_window = &g_null;

}  // namespace

Window& GetWindow() {
    return *g_window;
}
void SetWindow(Window* w) {
    g_window = w ? w : &g_null;
}

}  // namespace kiv
