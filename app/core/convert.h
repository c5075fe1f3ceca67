// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions as text in and text out, through the core alone: a quantity
// ("5 mi", "60 mi/h", "1.5 e-3 kg*m2/s2", or a unit alone for one of it)
// is read as Paste reads the window's Copy, converted to a target unit
// text as the conversion key converts, or reduced to base units as Make
// primitive reduces, and formatted as the stack shows it (the display mode
// of the state record, no width limit, no grouping).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "window/window.h"

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
// Expressions read from unit texts, and whole conversions between two of
// them, kept for a run of conversions over an unchanged unit table (a
// batch), so that a text or a pair met again is not worked out again. A
// conversion is kept as the multipliers it applied to the number, in order,
// and the text of its result's unit: replaying them gives the same bits and
// takes no record. It owns the expressions; all is forgotten when the
// table's units change. Must end before the main database does.
class UnitTextMemo {
  public:
    struct Conversion {
        std::vector<double> scales;  // multiply by each, in order
        std::string suffix;          // the result's unit as it follows the number
    };
    UnitTextMemo() = default;
    ~UnitTextMemo();
    UnitTextMemo(const UnitTextMemo&) = delete;
    UnitTextMemo& operator=(const UnitTextMemo&) = delete;
    // The expression read for `text` earlier, or false.
    bool find(const std::string& text, uint32_t* e);
    // Keeps a copy of `e` for `text`.
    void keep(const std::string& text, uint32_t e);
    // The conversion from unit text `from` to `to` kept earlier, or null.
    const Conversion* findConversion(const std::string& from, const std::string& to);
    // Keeps the conversion, whose result has the unit `unit`.
    void keepConversion(const std::string& from, const std::string& to,
                        const std::vector<double>& scales, uint32_t unit);

  private:
    bool current() const;
    void forget();
    void setKey(const std::string& from, const std::string& to);  // into key_
    static constexpr size_t kMost = 4096;                         // distinct texts, and pairs, kept
    std::unordered_map<std::string, uint32_t> read_;
    std::unordered_map<std::string, Conversion> conversions_;
    std::string key_;  // reused, so that a look-up allocates nothing
    const void* db_ = nullptr;
    uint64_t version_ = 0;
};

// `memo`, when given, remembers the unit texts read.
ConversionOutcome ConvertText(const std::string& source, const std::string& target, int precision,
                              UnitTextMemo* memo = nullptr);

}  // namespace kiv
