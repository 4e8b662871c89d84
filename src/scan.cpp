#include "scan.h"

#include <cstring>

// The SSE2, AVX2 and AVX-512 masks need x86-64, and the last two the compiler's target
// attributes, since they are chosen at run time by the processor. VESKOR_NO_AVX512 leaves
// AVX-512 out and VESKOR_NO_AVX2 both, for timing the kernels below them.
#if (defined(__x86_64__) || defined(_M_X64)) && !defined(VESKOR_PORTABLE)
#define VESKOR_X86
#include <immintrin.h>
#if defined(__GNUC__) && !defined(VESKOR_NO_AVX2)
#define VESKOR_AVX2
#define PCLMUL __attribute__((target("pclmul")))
#ifndef VESKOR_NO_AVX512
#include <cpuid.h>
#define VESKOR_AVX512
#define AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,pclmul,popcnt")))
#endif
#endif
#endif
// The tests build this file again with its AVX-512 intrinsics emulated (tests/scan512.cpp),
// which any processor runs: no target attribute then, and no look at the processor.
#ifdef VESKOR_AVX512_EMULATED
#define VESKOR_AVX512
#define AVX512
#define PCLMUL
#endif

// The SIMD128 masks need a WebAssembly build for engines that have it (-msimd128).
#ifdef __wasm_simd128__
#define VESKOR_SIMD128
#include <wasm_simd128.h>
#endif

// What a 64-byte block holds, bit i telling of byte i.
struct blockmask {
    uint64_t lf;      // line feeds
    uint64_t quotes;  // the parity of the double quotes up to byte i, itself included
    uint64_t control; // bytes of 31 or less other than TAB
    int64_t lfs;      // the count of line feeds, or NOTCOUNTED
};

// The count of a block's line feeds where counting them costs more than a POPCNT: left to
// the clean-run scan, the only one that needs it, and only for the blocks it takes.
static const int64_t NOTCOUNTED = -1;

// Fills m with the masks of the blocks 64-byte blocks at s: the only code written per target.
using maskfn = void (*)(const char *s, size_t blocks, blockmask *m);

// Passes over the whole blocks from s on that hold neither a line feed nor a control byte,
// at most blocks of them; gives their count, and *odd the parity of their double quotes.
// Kept beside the masks: bench/run.sh shows it saving over 5 % of the pass's CPU on long lines.
using skipfn = size_t (*)(const char *s, size_t blocks, bool *odd);

// Blocks read at once at most: what a scan reads past the place where it stops.
static const size_t MAXSTEP = 16;

static uint64_t parityprefix(uint64_t q)
{
    for (int shift = 1; shift < 64; shift *= 2)
        q ^= q << shift;
    return q;
}

// The bits below bit n, n under 64.
static uint64_t lowbits(size_t n)
{
    return (static_cast<uint64_t>(1) << n) - 1;
}

// Set bits, without the library call that a build without POPCNT makes of the builtin.
static int64_t countbits(uint64_t x)
{
    x -= (x >> 1) & 0x5555555555555555ULL;
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int64_t>((x * 0x0101010101010101ULL) >> 56);
}

// The places of the lowest and the highest set bit of x, which is not 0.
static int lowestbit(uint64_t x)
{
#ifdef __GNUC__
    return __builtin_ctzll(x);
#else
    return static_cast<int>(countbits(~x & (x - 1)));
#endif
}

static int highestbit(uint64_t x)
{
#ifdef __GNUC__
    return 63 - __builtin_clzll(x);
#else
    for (int shift = 1; shift < 64; shift *= 2)
        x |= x >> shift;
    return static_cast<int>(countbits(x)) - 1;
#endif
}

// Eight bytes at s as a number, the first the lowest, whatever the processor's byte order.
static uint64_t loadword(const char *s)
{
    const unsigned char *u = reinterpret_cast<const unsigned char *>(s);
    return static_cast<uint64_t>(u[0]) | static_cast<uint64_t>(u[1]) << 8 |
           static_cast<uint64_t>(u[2]) << 16 | static_cast<uint64_t>(u[3]) << 24 |
           static_cast<uint64_t>(u[4]) << 32 | static_cast<uint64_t>(u[5]) << 40 |
           static_cast<uint64_t>(u[6]) << 48 | static_cast<uint64_t>(u[7]) << 56;
}

// The bytes of w that are 0, as one bit each, byte i giving bit i: eight bytes a step.
static uint64_t zerobytes(uint64_t w)
{
    const uint64_t low = 0x7F7F7F7F7F7F7F7FULL;
    uint64_t top = ~(((w & low) + low) | w | low);
    return ((top >> 7) * 0x0102040810204080ULL) >> 56;
}

uint64_t wordcontrols(uint64_t w)
{
    const uint64_t each = 0x0101010101010101ULL;
    return zerobytes(w & each * 0xE0) & ~zerobytes(w ^ each * '\t');
}

static void maskplain(const char *s, size_t blocks, blockmask *m)
{
    const uint64_t each = 0x0101010101010101ULL;
    for (size_t b = 0; b < blocks; b++, s += 64) {
        uint64_t lf = 0, quotes = 0, control = 0;
        for (int i = 0; i < 64; i += 8) {
            uint64_t w = loadword(s + i);
            lf |= zerobytes(w ^ each * '\n') << i;
            quotes |= zerobytes(w ^ each * '"') << i;
            control |= wordcontrols(w) << i;
        }
        m[b] = blockmask{lf, parityprefix(quotes), control, NOTCOUNTED};
    }
}

#if defined(VESKOR_X86) || defined(VESKOR_AVX512)
// The byte that control bytes are XORed with, and the bound that they then exceed: XOR with
// 69h takes 0 to 31 to 96 to 127, the top of the signed bytes, and TAB to 96 itself, so one
// signed compare tells a control byte from TAB and from every other byte.
static const char CONTROLXOR = 0x69, CONTROLBOUND = 96;
#endif

#ifdef VESKOR_X86

// The lanes of x that hold a control byte, as 0xFF.
static __m128i controls(__m128i x)
{
    return _mm_cmpgt_epi8(_mm_xor_si128(x, _mm_set1_epi8(CONTROLXOR)), _mm_set1_epi8(CONTROLBOUND));
}

static uint64_t lanes(__m128i x, int at)
{
    return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(x)) & 0xFFFF) << at;
}

// Line feeds and double quotes leave the vectors in one mask, which the control mask splits:
// it takes in line feeds and not quotes.
static void masksse2(const char *s, size_t blocks, blockmask *m)
{
    const __m128i lf = _mm_set1_epi8('\n'), quote = _mm_set1_epi8('"');
    for (size_t b = 0; b < blocks; b++, s += 64) {
        uint64_t either = 0, control = 0;
        for (int i = 0; i < 64; i += 16) {
            __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
            either |= lanes(_mm_or_si128(_mm_cmpeq_epi8(x, lf), _mm_cmpeq_epi8(x, quote)), i);
            control |= lanes(controls(x), i);
        }
        uint64_t lf = either & control;
        m[b] = blockmask{lf, parityprefix(either & ~control), control, NOTCOUNTED};
    }
}

// A block passes a quick look for bytes of 31 or less, TAB and all, before the exact one.
// Each lane toggles once for each double quote it meets; their count's parity is the total's.
static size_t skipsse2(const char *s, size_t blocks, bool *odd)
{
    const __m128i quote = _mm_set1_epi8('"'), low = _mm_set1_epi8(31);
    __m128i toggled = _mm_setzero_si128();
    size_t b = 0;
    for (; b < blocks; b++, s += 64) {
        __m128i x[4];
        for (size_t i = 0; i < 4; i++)
            x[i] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 16 * i));
        __m128i least = _mm_min_epu8(_mm_min_epu8(x[0], x[1]), _mm_min_epu8(x[2], x[3]));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(least, low), least)) != 0) {
            __m128i stop = _mm_or_si128(_mm_or_si128(controls(x[0]), controls(x[1])),
                                        _mm_or_si128(controls(x[2]), controls(x[3])));
            if (_mm_movemask_epi8(stop) != 0)
                break;
        }
        __m128i quotes =
            _mm_xor_si128(_mm_xor_si128(_mm_cmpeq_epi8(x[0], quote), _mm_cmpeq_epi8(x[1], quote)),
                          _mm_xor_si128(_mm_cmpeq_epi8(x[2], quote), _mm_cmpeq_epi8(x[3], quote)));
        toggled = _mm_xor_si128(toggled, quotes);
    }
    *odd = countbits(static_cast<unsigned>(_mm_movemask_epi8(toggled))) % 2 == 1;
    return b;
}
#endif

#if defined(VESKOR_AVX2) || defined(VESKOR_AVX512)
// The parity of the quotes q up to each bit, by a carry-less multiply with all ones.
PCLMUL static uint64_t parityclmul(uint64_t q)
{
    __m128i p =
        _mm_clmulepi64_si128(_mm_set_epi64x(0, static_cast<long long>(q)), _mm_set1_epi8(-1), 0);
    return static_cast<uint64_t>(_mm_cvtsi128_si64(p));
}
#endif

#ifdef VESKOR_AVX2
#define AVX2 __attribute__((target("avx2,pclmul,popcnt")))

AVX2 static __m256i controls(__m256i x)
{
    __m256i moved = _mm256_xor_si256(x, _mm256_set1_epi8(CONTROLXOR));
    return _mm256_cmpgt_epi8(moved, _mm256_set1_epi8(CONTROLBOUND));
}

AVX2 static uint64_t lanes(__m256i x, int at)
{
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(x))) << at;
}

// As maskplain, 32 bytes a step.
AVX2 static void maskavx2(const char *s, size_t blocks, blockmask *m)
{
    const __m256i lf = _mm256_set1_epi8('\n'), quote = _mm256_set1_epi8('"');
    for (size_t b = 0; b < blocks; b++, s += 64) {
        uint64_t feeds = 0, quotes = 0, control = 0;
        for (int i = 0; i < 64; i += 32) {
            __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + i));
            feeds |= lanes(_mm256_cmpeq_epi8(x, lf), i);
            quotes |= lanes(_mm256_cmpeq_epi8(x, quote), i);
            control |= lanes(controls(x), i);
        }
        m[b] = blockmask{feeds, parityclmul(quotes), control, __builtin_popcountll(feeds)};
    }
}

// As skipsse2, 32 bytes a step.
AVX2 static size_t skipavx2(const char *s, size_t blocks, bool *odd)
{
    const __m256i quote = _mm256_set1_epi8('"'), low = _mm256_set1_epi8(31);
    __m256i toggled = _mm256_setzero_si256();
    size_t b = 0;
    for (; b < blocks; b++, s += 64) {
        __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s));
        __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + 32));
        __m256i least = _mm256_min_epu8(x, y);
        __m256i some = _mm256_cmpeq_epi8(_mm256_min_epu8(least, low), least);
        __m256i stop = _mm256_or_si256(controls(x), controls(y));
        if (!_mm256_testz_si256(some, some) && !_mm256_testz_si256(stop, stop))
            break;
        toggled = _mm256_xor_si256(
            toggled, _mm256_xor_si256(_mm256_cmpeq_epi8(x, quote), _mm256_cmpeq_epi8(y, quote)));
    }
    *odd = countbits(static_cast<uint32_t>(_mm256_movemask_epi8(toggled))) % 2 == 1;
    return b;
}
#endif

#ifdef VESKOR_SIMD128
static uint64_t lanes(v128_t x, int at)
{
    return static_cast<uint64_t>(wasm_i8x16_bitmask(x) & 0xFFFF) << at;
}

// As maskplain, 16 bytes a step: a control byte is one below a space that is not TAB.
static void masksimd128(const char *s, size_t blocks, blockmask *m)
{
    const v128_t lf = wasm_i8x16_splat('\n'), quote = wasm_i8x16_splat('"'),
                 tab = wasm_i8x16_splat('\t'), space = wasm_i8x16_splat(' ');
    for (size_t b = 0; b < blocks; b++, s += 64) {
        uint64_t feeds = 0, quotes = 0, control = 0;
        for (int i = 0; i < 64; i += 16) {
            v128_t x = wasm_v128_load(s + i);
            feeds |= lanes(wasm_i8x16_eq(x, lf), i);
            quotes |= lanes(wasm_i8x16_eq(x, quote), i);
            control |= lanes(wasm_v128_andnot(wasm_u8x16_lt(x, space), wasm_i8x16_eq(x, tab)), i);
        }
        m[b] = blockmask{feeds, parityprefix(quotes), control, NOTCOUNTED};
    }
}
#endif

#ifdef VESKOR_AVX512
// As maskavx2, the whole block a step, each compare giving its mask at once.
AVX512 static void maskavx512(const char *s, size_t blocks, blockmask *m)
{
    const __m512i lf = _mm512_set1_epi8('\n'), quote = _mm512_set1_epi8('"');
    const __m512i moved = _mm512_set1_epi8(CONTROLXOR), bound = _mm512_set1_epi8(CONTROLBOUND);
    for (size_t b = 0; b < blocks; b++, s += 64) {
        __m512i x = _mm512_loadu_si512(s);
        uint64_t feeds = _mm512_cmpeq_epi8_mask(x, lf);
        uint64_t quotes = _mm512_cmpeq_epi8_mask(x, quote);
        uint64_t control = _mm512_cmpgt_epi8_mask(_mm512_xor_si512(x, moved), bound);
        m[b] = blockmask{feeds, parityclmul(quotes), control, __builtin_popcountll(feeds)};
    }
}

#ifdef VESKOR_AVX512_EMULATED
static bool hasavx512()
{
    return true;
}
#else
// Whether the processor has what maskavx512 needs and the system keeps the registers it
// uses: a system may leave the AVX-512 state off in XCR0 (bits 1, 2 and 5 to 7), and the
// kernel then faults wherever the processor has it.
static bool probeavx512()
{
    unsigned a, b, c, d, low, high;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0)
        return false;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    __builtin_cpu_init();
    return (low & 0xE6) == 0xE6 && __builtin_cpu_supports("avx512f") &&
           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("popcnt");
}

// The probe, once: asking the processor costs a trip through the hypervisor on a virtual
// machine.
static bool hasavx512()
{
    static const bool has = probeavx512();
    return has;
}
#endif
#endif

// The code of one kind: its block masks, and its quick pass over long lines or none.
struct scancode {
    maskfn mask;
    skipfn skip;
};

// The code of the given kind; no masks where the build or the processor lacks it.
static scancode findcode(scankind kind)
{
    scancode use = {kind == SCAN_PLAIN ? maskplain : nullptr, nullptr};
#ifdef VESKOR_X86
    use = kind == SCAN_SSE2 ? scancode{masksse2, skipsse2} : use;
#endif
#ifdef VESKOR_AVX2
    __builtin_cpu_init();
    bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("pclmul") &&
                __builtin_cpu_supports("popcnt");
    use = kind == SCAN_AVX2 && avx2 ? scancode{maskavx2, skipavx2} : use;
#endif
#ifdef VESKOR_AVX512
    use = kind == SCAN_AVX512 && hasavx512() ? scancode{maskavx512, nullptr} : use;
#endif
#ifdef VESKOR_SIMD128
    use = kind == SCAN_SIMD128 ? scancode{masksimd128, nullptr} : use;
#endif
    return use;
}

static void maskfirst(const char *s, size_t blocks, blockmask *m);

// Chosen once, at the first scan.
static scancode chosen = {maskfirst, nullptr};

static void maskfirst(const char *s, size_t blocks, blockmask *m)
{
    scanuse(SCAN_BEST);
    chosen.mask(s, blocks, m);
}

bool scanuse(scankind kind)
{
    scancode use = findcode(kind);
    for (int k = SCAN_BEST - 1; !use.mask && kind == SCAN_BEST; k--)
        use = findcode(static_cast<scankind>(k));
    chosen = use.mask ? use : chosen;
    return use.mask != nullptr;
}

// Reads the masks of the blocks from s on, at most want of them and none past s + n; gives
// the count read. Fewer than 64 bytes left make one block, as if it ended there.
static size_t readmasks(const char *s, size_t n, size_t want, blockmask *m)
{
    size_t blocks = n / 64 < want ? n / 64 : want;
    if (blocks > 0) {
        chosen.mask(s, blocks, m);
        return blocks;
    }
    char block[64] = {};
    std::memcpy(block, s, n);
    chosen.mask(block, 1, m);
    m->control &= lowbits(n);
    return 1;
}

// Adds to the scan the size bytes of the line's block m; true when the line ends in it.
static bool scanblock(const blockmask &m, size_t size, linescan *ls)
{
    if (m.lf == 0) {
        uint64_t inside = (size == 64 ? ~static_cast<uint64_t>(0) : lowbits(size)) >> 1;
        ls->control = ls->control || ls->pending || (m.control & inside) != 0;
        ls->pending = (m.control >> (size - 1) & 1) != 0;
        ls->odd = ls->odd != (m.quotes >> 63 != 0);
        ls->at += size;
        return false;
    }
    int end = lowestbit(m.lf);
    uint64_t before = lowbits(static_cast<size_t>(end)) >> 1;
    ls->control = ls->control || (end > 0 && ls->pending) || (m.control & before) != 0;
    ls->odd = ls->odd != ((m.quotes >> end & 1) != 0);
    ls->len = ls->at + static_cast<size_t>(end) + 1;
    ls->at = ls->len;
    return true;
}

bool scanline(const char *s, size_t n, linescan *ls)
{
    blockmask m[MAXSTEP];
    while (ls->at < n) {
        // Deep in a long line, blocks with no control byte at all need no masks.
        if (ls->step == MAXSTEP && !ls->pending && chosen.skip) {
            bool odd;
            ls->at += 64 * chosen.skip(s + ls->at, (n - ls->at) / 64, &odd);
            ls->odd = ls->odd != odd;
            if (ls->at == n)
                break;
        }
        size_t blocks = readmasks(s + ls->at, n - ls->at, ls->step > 0 ? ls->step : 1, m);
        ls->step = blocks * 2 < MAXSTEP ? blocks * 2 : MAXSTEP;
        for (size_t b = 0; b < blocks; b++) {
            size_t size = n - ls->at < 64 ? n - ls->at : 64;
            if (scanblock(m[b], size, ls))
                return true;
        }
    }
    return false;
}

// What scanclean found so far: the lines taken, the last line feed among them, and the
// parity of the quotes of the unfinished line after it, in every bit.
struct cleanrun {
    int64_t lines;
    size_t lastat; // the block of the last line feed taken
    uint64_t lastlf;
    uint64_t carry;
};

// Takes the lines that end in the block m at offset at before its bit stop (64: all of them).
static void takelines(cleanrun *run, size_t at, const blockmask &m, int stop)
{
    uint64_t lf = stop < 64 ? m.lf & lowbits(static_cast<size_t>(stop)) : m.lf;
    run->lines += stop < 64 || m.lfs == NOTCOUNTED ? countbits(lf) : m.lfs;
    if (lf != 0) {
        run->lastat = at;
        run->lastlf = lf;
    }
}

// The bytes of the lines taken; sets *next to what is known of the line after them, which
// the blocks from offset at on have still to be looked at.
static size_t endclean(const cleanrun &run, size_t at, linescan *next)
{
    size_t taken =
        run.lastlf == 0 ? 0 : run.lastat + static_cast<size_t>(highestbit(run.lastlf)) + 1;
    *next = linescan{};
    if (taken < at) {
        next->at = at - taken;
        next->odd = run.carry != 0;
    }
    return taken;
}

// A line is unclean where the parity of its quotes is odd at its line feed, or where a
// control byte lies with no line feed on it or right after it.
size_t scanclean(const char *s, size_t n, int64_t *lines, linescan *next)
{
    blockmask m[MAXSTEP];
    cleanrun run = {0, 0, 0, 0};
    size_t at = 0;
    for (size_t step = 1; at < n; step = step * 2 < MAXSTEP ? step * 2 : MAXSTEP) {
        size_t blocks = readmasks(s + at, n - at, step, m);
        for (size_t b = 0; b < blocks; b++, at += 64) {
            uint64_t lf = m[b].lf, quotes = m[b].quotes ^ run.carry;
            uint64_t stray = m[b].control & ~lf & ~(lf >> 1);
            // A control byte that ends the block is clean if the next block begins a line end;
            // an odd line that ends there is not.
            if (stray >> 63 != 0 &&
                (b + 1 < blocks ? (m[b + 1].lf & 1) != 0 : at + 64 < n && s[at + 64] == '\n'))
                stray &= ~(static_cast<uint64_t>(1) << 63);
            uint64_t bad = (lf & quotes) | stray;
            if (bad != 0) {
                takelines(&run, at, m[b], lowestbit(bad));
                *lines += run.lines;
                return endclean(run, at, next);
            }
            takelines(&run, at, m[b], 64);
            run.carry = 0 - (quotes >> 63);
        }
    }
    *lines += run.lines;
    return endclean(run, n, next);
}
