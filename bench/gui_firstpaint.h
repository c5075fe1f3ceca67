// SPDX-License-Identifier: GPL-3.0-or-later
// For the start-up benchmark: a program that reports how long after its spawn
// its window was first painted, then quits. The spawning benchmark passes the
// spawn time (CLOCK_MONOTONIC, nanoseconds) in KIV_BENCH_SPAWN_NS; the
// program prints "first-paint-ns N" on stdout.
#pragma once

#include <time.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace kiv::bench {

inline long long MonotonicNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// Watches `window` for its first paint; once that paint pass (the window and
// its children) has run, prints the time since the spawn and quits.
inline void ReportFirstPaint(QWidget* window) {
    struct Watch : QObject {
        using QObject::QObject;
        bool seen = false;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && !seen) {
                seen = true;
                QTimer::singleShot(0, [] {
                    const char* spawn = std::getenv("KIV_BENCH_SPAWN_NS");
                    const long long from = spawn ? std::atoll(spawn) : 0;
                    std::printf("first-paint-ns %lld\n", MonotonicNs() - from);
                    std::fflush(stdout);
                    QCoreApplication::quit();
                });
            }
            return false;
        }
    };
    window->installEventFilter(new Watch(window));
}

}  // namespace kiv::bench
