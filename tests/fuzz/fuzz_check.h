#pragma once
// A property that fails stops the fuzzer, which keeps the input as a crash file.
inline void Check(bool holds) { if (!holds) __builtin_trap(); }
