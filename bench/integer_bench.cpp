// SPDX-License-Identifier: GPL-3.0-or-later
// Each word operation at 128 bits, per operation, on operands that use the
// whole word (the long division works on a 9-byte divisor).
#include <benchmark/benchmark.h>

#include "engine/integer.h"

namespace kiv {
namespace {

constexpr int kBytes = 16;

Word Filled(uint8_t seed, int significant) {
    Word w;
    for (int i = 0; i < significant; ++i) w.b[i] = uint8_t(seed * (i + 7) + 0x35);
    w.b[significant - 1] |= 0x40;
    return w;
}

const Word kA = Filled(0x9d, 16), kB = Filled(0x3b, 9), kSmall = Filled(0x11, 7);

template <bool Signed>
void BM_Add(benchmark::State& st) {
    Word r;
    for (auto _ : st) {
        benchmark::DoNotOptimize(WordAdd(kA, kB, &r, kBytes, Signed));
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Add<false>);
BENCHMARK(BM_Add<true>);

void BM_Subtract(benchmark::State& st) {
    Word r;
    for (auto _ : st) {
        benchmark::DoNotOptimize(WordSubtract(kA, kB, &r, kBytes, true));
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Subtract);

template <bool Signed>
void BM_Multiply(benchmark::State& st) {
    Word r;
    for (auto _ : st) {
        benchmark::DoNotOptimize(WordMultiply(kSmall, kB, &r, kBytes, Signed));
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Multiply<false>);
BENCHMARK(BM_Multiply<true>);

template <bool Signed>
void BM_Divide(benchmark::State& st) {
    Word q, r;
    for (auto _ : st) {
        benchmark::DoNotOptimize(WordDivide(kA, kB, &q, &r, kBytes, Signed));
        benchmark::DoNotOptimize(q);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Divide<false>);
BENCHMARK(BM_Divide<true>);

void BM_DivideSmall(benchmark::State& st) {
    for (auto _ : st) {
        Word w = kA;
        benchmark::DoNotOptimize(WordDivideSmall(&w, 10, kBytes));
        benchmark::DoNotOptimize(w);
    }
}
BENCHMARK(BM_DivideSmall);

void BM_MultiplyAddSmall(benchmark::State& st) {
    for (auto _ : st) {
        Word w = kB;
        benchmark::DoNotOptimize(WordMultiplySmall(&w, 10, kBytes));
        benchmark::DoNotOptimize(WordAddSmall(&w, 7, kBytes));
        benchmark::DoNotOptimize(w);
    }
}
BENCHMARK(BM_MultiplyAddSmall);

void BM_Negate(benchmark::State& st) {
    Word w = kA;
    for (auto _ : st) {
        WordNegate(&w, kBytes);
        benchmark::DoNotOptimize(w);
    }
}
BENCHMARK(BM_Negate);

void BM_Shift(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(WordShift(kA, -37, kBytes, true));
}
BENCHMARK(BM_Shift);

void BM_Rotate(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(WordRotate(kA, 77, kBytes));
}
BENCHMARK(BM_Rotate);

void BM_Mask(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(WordMask(-45, kBytes));
}
BENCHMARK(BM_Mask);

void BM_ByteSwap(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(WordByteSwap(kA, kBytes));
}
BENCHMARK(BM_ByteSwap);

void BM_ToReal(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(WordToReal(kA, kBytes, true));
}
BENCHMARK(BM_ToReal);

void BM_FromReal(benchmark::State& st) {
    Word w;
    for (auto _ : st) {
        benchmark::DoNotOptimize(WordFromReal(-1.2345678901234e37, &w, kBytes));
        benchmark::DoNotOptimize(w);
    }
}
BENCHMARK(BM_FromReal);

}  // namespace
}  // namespace kiv
