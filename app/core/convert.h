// Conversions as text in and text out, through the core alone: a quantity
// ("5 mi", "60 mi/h", "1.5 e-3 kg*m2/s2", or a unit alone for one of it)
// is read as Paste reads the window's Copy, converted to a target unit
// text as the conversion key converts, or reduced to base units as Make
// primitive reduces, and formatted as the stack shows it (the display mode
// of the state record, no width limit, no grouping).
#pragma once

#include <string>

#include "app/core/window.h"

namespace kiv {

struct ConversionOutcome {
    bool ok = false;
    std::string text;     // the result, plain calculator text
    int messageId = 0;    // why it failed: the coded message
    std::string message;  // that message's text as the window would show it
};

// While one lives, every message the core would show in a box is caught
// instead (the first one is kept) and answered with its first button.
class MessageCatcher {
  public:
    MessageCatcher();
    ~MessageCatcher();
    MessageCatcher(const MessageCatcher&) = delete;
    MessageCatcher& operator=(const MessageCatcher&) = delete;
    int id() const { return window_.id; }  // 0 while none was shown
    const std::string& message() const { return window_.message; }

  private:
    class Catching final : public HeadlessWindow {
      public:
        Answer messageBox(const std::string& caption, const std::string& text, int style) override;
        int id = 0;
        std::string message;
    };
    Window* previous_;
    Catching window_;
};

// `source` and `target` are calculator text (Windows-1252). An empty target
// reduces the source to base units. Every message the core would show is
// caught and returned instead; the first one decides the outcome. Leaves
// no expression behind.
ConversionOutcome ConvertText(const std::string& source, const std::string& target, int precision);

}  // namespace kiv
