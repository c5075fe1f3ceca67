#include "support/fake_window.h"

namespace kiv {
namespace {

// By FontId: the width of byte 0 and the line height.
constexpr int kBaseWidth[] = {10, 7, 7, 5}, kHeight[] = {22, 16, 16, 13};

// The next scripted answer into *out; false, leaving *out, when none is left.
template <class T>
bool Next(std::deque<T>& queue, T* out) {
    if (queue.empty()) return false;
    *out = queue.front();
    queue.pop_front();
    return true;
}

}  // namespace

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

int FakeWindow::textWidth(FontId font, const char* text, int count) {
    int w = 0;
    for (int i = 0; i < count; ++i) w += kBaseWidth[int(font)] + (unsigned char)text[i] % 5;
    return w;
}

int FakeWindow::textHeight(FontId font) {
    return kHeight[int(font)];
}

std::string FakeWindow::entryPlain() const {
    std::string s;
    for (const auto& r : entryRuns) s += r.text;
    return s;
}

Answer FakeWindow::messageBox(const std::string& caption, const std::string& text, int style) {
    messages.push_back({caption, text, style});
    Answer a = (style & 0x0F) == MB_YESNO ? Answer::Yes : Answer::Ok;
    Next(answers, &a);
    return a;
}

void FakeWindow::setControlText(int id, const std::string& text) {
    controlText[id] = text;
    ++controlTextWrites;
}

int FakeWindow::popupMenu(int popupIndex, int, int) {
    popupsShown.push_back(popupIndex);
    int command = 0;
    Next(popupAnswers, &command);
    return command;
}

bool FakeWindow::chooseFile(bool, const std::string&, const std::string&, std::string* path) {
    return Next(fileAnswers, path) && !path->empty();
}

void FakeWindow::runDialog(DialogKind kind) {
    dialogsRun.push_back(kind);
    if (onDialog) onDialog(kind);
}

}  // namespace kiv
