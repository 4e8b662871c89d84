#include "scrub.h"

#include <cinttypes>
#include <cstdio>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(VESKOR_PORTABLE)
#define VESKOR_SSE2
#include <emmintrin.h>
#endif

const char hexdigit[17] = "0123456789ABCDEF";

// At most this many codes are listed in a message; the count is always the full one.
static const int MAXCODES = 63;

static bool iscontrol(unsigned char c)
{
    return c < 32 && c != '\t';
}

// Whether any of the n bytes is a control character; written without an early exit.
static bool hascontrolbytes(const unsigned char *p, size_t n)
{
    unsigned char any = 0;
    for (size_t i = 0; i < n; i++)
        any |= static_cast<unsigned char>(iscontrol(p[i]));
    return any != 0;
}

#ifdef VESKOR_SSE2
// The same, sixteen bytes a step: most lines have no control byte and are looked at only
// here. Past the first chunk, the last one overlaps the one before it.
static bool hascontrol(const unsigned char *p, size_t n)
{
    if (n < 16)
        return hascontrolbytes(p, n);
    const __m128i top = _mm_set1_epi8(31), tab = _mm_set1_epi8('\t');
    __m128i found = _mm_setzero_si128();
    for (size_t i = 0;; i += 16) {
        size_t at = i + 16 <= n ? i : n - 16;
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + at));
        __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, top), x);
        found = _mm_or_si128(found, _mm_andnot_si128(_mm_cmpeq_epi8(x, tab), low));
        if (at + 16 == n)
            return _mm_movemask_epi8(found) != 0;
    }
}
#else
static bool hascontrol(const unsigned char *p, size_t n)
{
    return hascontrolbytes(p, n);
}
#endif

void scrubline(char *line, size_t len, int64_t lineno)
{
    unsigned char *p = reinterpret_cast<unsigned char *>(line);
    if (len <= 2 || !hascontrol(p, len - 2))
        return;
    char codes[MAXCODES * 4];
    size_t at = 0;
    int count = 0;
    for (size_t i = 0; i < len - 2; i++) {
        if (!iscontrol(p[i]))
            continue;
        if (count < MAXCODES) {
            if (count > 0)
                codes[at++] = ' ';
            codes[at++] = hexdigit[p[i] >> 4];
            codes[at++] = hexdigit[p[i] & 15];
            codes[at++] = 'h';
        }
        count++;
        p[i] = ' ';
    }
    codes[at] = '\0';
    std::printf("Line %" PRId64 ": %d non-printable characters replaced with spaces (%s)\n", lineno,
                count, codes);
}
