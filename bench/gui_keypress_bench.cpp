// SPDX-License-Identifier: GPL-3.0-or-later
// Key press to repainted entry line inside the running main window: the key
// goes through the window's own key handling, the core acts and redraws, and
// the event loop runs until the entry line has painted. A database of 300
// units and a stack of ten values with units. Goal: under 2 ms a key.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include "bench_db.h"
#include "engine/stack.h"
#include "guitest_support.h"
#include "keypad/dispatch.h"
#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "support/unit_fixture.h"
#include "units/algebra.h"

namespace kiv {
namespace {

std::vector<uint8_t> DatabaseImage() {
    return Database300Units([](const UnitTable& u) {
        for (int i = 0; i < 10; ++i) Push(Value::Real(3.0 + i, ExpressionOf(i % 2 ? u.km : u.m)));
    });
}

// Sends one key to the focused button, as a user's key press arrives, and
// runs the event loop until the entry line has been painted.
bool PressAndPaint(CMainDlg& dlg, Qt::Key key, const QString& text) {
    QWidget* target = dlg.focusWidget() ? dlg.focusWidget() : dlg.control(2045);
    const int before = dlg.entryPaints();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
    for (int spins = 0; dlg.entryPaints() == before; ++spins) {
        if (spins > 10000) return false;
        QApplication::processEvents();
    }
    return true;
}

struct Key {
    Qt::Key key;
    const char* text;
};

void RunKeys(benchmark::State& st, const std::vector<Key>& keys) {
    gui::MainWindowRun run;
    GetDataFolder();
    WriteBytes(run.home().path("kivDB_pdb"), DatabaseImage());
    if (!run.start()) {
        st.SkipWithError("the main window did not start");
        return;
    }
    const int depth = Depth();
    for (auto _ : st)
        for (const Key& k : keys)
            if (!PressAndPaint(run.dlg(), k.key, QString::fromLatin1(k.text))) {
                st.SkipWithError("the entry line was not painted");
                return;
            }
    if (Depth() != depth) st.SkipWithError("the script did not keep the stack depth");
    // Wall-clock seconds per key (the iteration time is wall-clock too).
    st.counters["per_key"] =
        benchmark::Counter(double(keys.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
}

// Typing: a digit, then Backspace.
void BM_GuiKeyDigit(benchmark::State& st) {
    RunKeys(st, {{Qt::Key_5, "5"}, {Qt::Key_Backspace, "\b"}});
}
BENCHMARK(BM_GuiKeyDigit)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Arithmetic with units on the stack: 2 * then 2 /, each key repainted.
void BM_GuiKeyArithmetic(benchmark::State& st) {
    RunKeys(st,
            {{Qt::Key_2, "2"}, {Qt::Key_Asterisk, "*"}, {Qt::Key_2, "2"}, {Qt::Key_Slash, "/"}});
}
BENCHMARK(BM_GuiKeyArithmetic)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kiv

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
