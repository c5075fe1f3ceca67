#include "support/fake_window.h"

namespace kiv {

FakeWindow::FakeWindow() {
    SetWindow(this);
}
FakeWindow::~FakeWindow() {
    SetWindow(nullptr);
}

bool FakeWindow::shownText(const std::string& fragment) const {
    for (const auto& m : messages)
        if (m.text.find(fragment) != std::string::npos) return true;
    return false;
}

int FakeWindow::ByteWidth(FontId font, unsigned char c) {
    int base = 0;
    switch (font) {
        case FontId::EntryLarge:
            base = 10;
            break;
        case FontId::EntrySmall:
            base = 7;
            break;
        case FontId::ListLarge:
            base = 7;
            break;
        case FontId::ListSmall:
            base = 5;
            break;
    }
    return base + (c % 5);
}

int FakeWindow::textWidth(FontId font, const char* text, int count) {
    int w = 0;
    for (int i = 0; i < count; ++i) w += ByteWidth(font, static_cast<unsigned char>(text[i]));
    return w;
}

int FakeWindow::textHeight(FontId font) {
    switch (font) {
        case FontId::EntryLarge:
            return 22;
        case FontId::EntrySmall:
            return 16;
        case FontId::ListLarge:
            return 16;
        case FontId::ListSmall:
            return 13;
    }
    return 16;
}

std::string FakeWindow::entryPlain() const {
    std::string s;
    for (const auto& r : entryRuns) s += r.text;
    return s;
}

Answer FakeWindow::messageBox(const std::string& caption, const std::string& text, int style) {
    messages.push_back({caption, text, style});
    if (!answers.empty()) {
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    return (style & 0x0F) == MB_YESNO ? Answer::Yes : Answer::Ok;
}

void FakeWindow::setControlText(int id, const std::string& text) {
    controlText[id] = text;
    ++controlTextWrites;
}

int FakeWindow::popupMenu(int popupIndex, int, int) {
    popupsShown.push_back(popupIndex);
    if (popupAnswers.empty()) return 0;
    const int c = popupAnswers.front();
    popupAnswers.pop_front();
    return c;
}

bool FakeWindow::chooseFile(bool, const std::string&, const std::string&, std::string* path) {
    if (fileAnswers.empty()) return false;
    *path = fileAnswers.front();
    fileAnswers.pop_front();
    return !path->empty();
}

void FakeWindow::runDialog(DialogKind kind) {
    dialogsRun.push_back(kind);
    if (onDialog) onDialog(kind);
}

}  // namespace kiv
