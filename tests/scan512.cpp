// The scan with its AVX-512 kernel's intrinsics emulated by SIMDe, so that the tests of the
// pass run that kernel's own code on any processor. The other vector kernels stay out: their
// intrinsics would clash with the emulated ones.
#define SIMDE_ENABLE_NATIVE_ALIASES
#include <simde/x86/avx512.h>
#include <simde/x86/clmul.h>

#define VESKOR_PORTABLE
#define VESKOR_AVX512_EMULATED
#include "../src/scan.cpp"
