// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/messages.h"

#include <cstdio>
#include <cstring>

#include "res/strings.h"
#include "window/window.h"

namespace kiv {
namespace {

char FoldLetter(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

}  // namespace

int StyleFromLetters(char icon, char buttons) {
    int style = 0;
    switch (FoldLetter(icon)) {
        case '?':
            style = MB_ICONQUESTION;
            break;
        case 'i':
            style = MB_ICONINFORMATION;
            break;
        case 'x':
            style = MB_ICONERROR;
            break;
        default:
            style = MB_ICONEXCLAMATION;
            break;
    }
    switch (FoldLetter(buttons)) {
        case 'c':
            style |= MB_OKCANCEL;
            break;
        case 'y':
            style |= MB_YESNO;
            break;
        default:
            style |= MB_OK;
            break;
    }
    return style;
}

std::string ExpandPlaceholders(const std::string& raw, const char* text1, const char* text2,
                               const char* text3) {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '^' && i + 1 < raw.size() && raw[i + 1] >= '1' && raw[i + 1] <= '3') {
            const char* ins = raw[i + 1] == '1' ? text1 : raw[i + 1] == '2' ? text2 : text3;
            if (ins) out += ins;
            ++i;  // resume after the placeholder in the raw text
        } else {
            out += raw[i];
        }
    }
    return out;
}

ComposedMessage ComposeCodedMessage(int id, const char* text1, const char* text2,
                                    const char* text3) {
    std::string entry;
    if (const char* e = FindMessageEntry(id)) {
        entry = e;
    } else {
        char buf[32];
        std::snprintf(buf, sizeof buf, "Alert %d", id);
        entry = std::string("!oAlert\t") + buf;
    }
    ComposedMessage m;
    const char icon = entry.size() > 0 ? entry[0] : '!';
    const char buttons = entry.size() > 1 ? entry[1] : 'o';
    const size_t tab = entry.find('\t');
    std::string raw;
    if (tab == std::string::npos) {
        m.caption = entry.size() > 2 ? entry.substr(2) : std::string();
    } else {
        m.caption = entry.substr(2, tab - 2);
        raw = entry.substr(tab + 1);
    }
    m.text = ExpandPlaceholders(raw, text1, text2, text3);
    m.style = StyleFromLetters(icon, buttons);
    return m;
}

namespace {
int g_lastShown = 0;
}

int LastShownMessageId() {
    return g_lastShown;
}

int ShowCodedMessage(int id, const char* text1, const char* text2, const char* text3) {
    g_lastShown = id;
    const ComposedMessage m = ComposeCodedMessage(id, text1, text2, text3);
    const Answer a = GetWindow().messageBox(m.caption, m.text, m.style);
    return (a == Answer::Ok || a == Answer::Yes) ? 0 : 1;
}

}  // namespace kiv
