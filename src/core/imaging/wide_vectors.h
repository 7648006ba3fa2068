// Loops that gain from wider vectors are built twice, the second for processors with AVX2 (twice
// the lanes of the baseline x86-64 that the rest is built for); the loader picks one.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__)
#define PICTOREEL_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define PICTOREEL_WIDE_VECTORS
#endif
