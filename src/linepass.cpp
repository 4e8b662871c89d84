#include "linepass.h"

#include "quoterepair.h"
#include "scrub.h"

#include "console.h"

#include <cstring>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(VESKOR_PORTABLE)
#define VESKOR_SSE2
#include <emmintrin.h>
#endif

// The double quotes among a line's len bytes; *control tells whether a control character
// other than TAB lies before the line's last two bytes, where the scrub looks.
static size_t scanline(const char *s, size_t len, bool *control);

// The state of one pass. The line buffer is a window on the input: [beg, end) is read but
// not yet taken. Lines are repaired where they lie, and [runbeg, runend) gathers the
// neighbouring ones that go to the output unchanged, so that they leave in one write.
struct pass {
    FILE *in;
    FILE *out;
    char *buf;
    size_t beg, end;
    size_t runbeg, runend;
    bool eof;
    char *held;
    size_t heldlen; // 0 when nothing is held: a held line keeps at least its odd quote
    int64_t lineno;
};

// The one way bytes reach the output; false when the write failed.
static bool putout(FILE *out, const char *p, size_t n)
{
    return n == 0 || std::fwrite(p, 1, n, out) == n;
}

static bool flushrun(pass *p)
{
    bool ok = putout(p->out, p->buf + p->runbeg, p->runend - p->runbeg);
    p->runbeg = p->runend;
    return ok;
}

// Sends the len bytes at offset at to the output, after everything sent before.
static bool putline(pass *p, size_t at, size_t len)
{
    if (at != p->runend) {
        if (!flushrun(p))
            return false;
        p->runbeg = at;
    }
    p->runend = at + len;
    return true;
}

// Writes the held line, with CR LF after it when asked, and empties the held buffer.
static bool putheld(pass *p, bool crlf)
{
    bool ok =
        flushrun(p) && putout(p->out, p->held, p->heldlen) && (!crlf || putout(p->out, "\r\n", 2));
    p->heldlen = 0;
    return ok;
}

// Moves the unfinished line to the front of the window and reads behind it. The messages
// of the window before leave first.
static passresult refill(pass *p)
{
    conflush();
    if (!flushrun(p))
        return PASS_WRITEFAIL;
    size_t have = p->end - p->beg;
    std::memmove(p->buf, p->buf + p->beg, have);
    p->beg = p->runbeg = p->runend = 0;
    p->end = have + std::fread(p->buf + have, 1, LINEBUF - have, p->in);
    if (std::ferror(p->in))
        return PASS_READFAIL;
    p->eof = std::feof(p->in) != 0;
    return PASS_DONE;
}

// Finds the next line at p->beg and sets *len to its length with its line end, or to 0
// at the end of the input. A line that cannot fit is given as LINEMAX + 1 bytes.
static passresult nextline(pass *p, size_t *len)
{
    for (;;) {
        size_t have = p->end - p->beg;
        const char *nl = static_cast<const char *>(std::memchr(p->buf + p->beg, '\n', have));
        if (nl) {
            *len = nl - (p->buf + p->beg) + 1;
            return PASS_DONE;
        }
        if (have > LINEMAX || p->eof) {
            *len = have > LINEMAX ? LINEMAX + 1 : have;
            return PASS_DONE;
        }
        passresult r = refill(p);
        if (r != PASS_DONE)
            return r;
    }
}

// Scrubs the line at s, then holds it, merges it with the held line, or repairs the held
// line before it, as the parity of its double quotes decides. The quotes are counted as
// the line is looked over for control characters: the scrub never makes or takes a quote.
static bool takeline(pass *p, char *s, size_t len)
{
    bool control;
    bool odd = scanline(s, len, &control) % 2 == 1;
    if (control)
        scrubline(s, len, p->lineno);
    if (odd && p->heldlen == 0) {
        std::memcpy(p->held, s, len);
        p->heldlen = stripend(p->held, len);
        return true;
    }
    if (odd) {
        sayline(p->lineno, "merging this line with the previous line\n");
        if (!putheld(p, false))
            return false;
    } else if (p->heldlen > 0) {
        p->heldlen = fixquotes(p->held, p->heldlen, p->lineno - 1);
        if (!putheld(p, true))
            return false;
    }
    return putline(p, s - p->buf, len);
}

// A line still held when the input ends is repaired under its own number and kept.
static bool finishpass(pass *p)
{
    if (p->heldlen > 0) {
        p->heldlen = fixquotes(p->held, p->heldlen, p->lineno);
        if (!putheld(p, true))
            return false;
    }
    return flushrun(p);
}

passresult fixfile(FILE *in, FILE *out, char *line, char *held, int64_t *lines)
{
    pass p = {in, out, line, 0, 0, 0, 0, false, held, 0, *lines};
    passresult r;
    size_t len;
    while ((r = nextline(&p, &len)) == PASS_DONE && len > 0) {
        p.lineno++;
        if (len > LINEMAX) {
            sayline(p.lineno, "input buffer overflow; sorry, can't help you.\n");
            r = PASS_TOOLONG;
            break;
        }
        if (!takeline(&p, line + p.beg, len)) {
            r = PASS_WRITEFAIL;
            break;
        }
        p.beg += len;
    }
    if (r == PASS_DONE && !finishpass(&p))
        r = PASS_WRITEFAIL;
    *lines = p.lineno;
    conflush();
    return r;
}

// The line scan a byte at a step, in two loops without early exits so that each vectorises.
static size_t scanbytes(const char *s, size_t len, bool *control)
{
    size_t n = 0;
    for (size_t i = 0; i < len; i++)
        n += s[i] == '"';
    unsigned char any = 0;
    for (size_t i = 0; i + 2 < len; i++)
        any |= static_cast<unsigned char>(iscontrol(s[i]));
    *control = any != 0;
    return n;
}

#ifdef VESKOR_SSE2
// The bytes of a line's last chunk that the chunks before it did not cover: the last rest
// of its 16 lanes, as 0xFF.
static __m128i lastbytes(size_t rest)
{
    static const unsigned char lanes[32] = {0,    0,    0,    0,    0,    0,    0,    0,
                                            0,    0,    0,    0,    0,    0,    0,    0,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(lanes + rest));
}

static size_t sumlanes(__m128i counts)
{
    __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    return static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
           static_cast<size_t>(_mm_extract_epi16(sums, 4));
}

// The lanes of x that hold a control character other than TAB.
static __m128i controls(__m128i x)
{
    __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(31)), x);
    return _mm_andnot_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('\t')), low);
}

// Sixteen bytes a step, each lane counting up to 250. The same look finds the control
// characters before the line's last two bytes, where the scrub looks; a last chunk of each
// kind overlaps the one before it, and the one for quotes counts only the bytes left.
static size_t scanline(const char *s, size_t len, bool *control)
{
    if (len < 18)
        return scanbytes(s, len, control);
    size_t n = 0, i = 0, steps = 0, lim = len - 2;
    const __m128i quote = _mm_set1_epi8('"');
    __m128i counts = _mm_setzero_si128(), found = _mm_setzero_si128();
    for (; i + 16 <= lim; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
        counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(x, quote));
        found = _mm_or_si128(found, controls(x));
        if (++steps == 250) {
            n += sumlanes(counts);
            counts = _mm_setzero_si128();
            steps = 0;
        }
    }
    found = _mm_or_si128(
        found, controls(_mm_loadu_si128(reinterpret_cast<const __m128i *>(s + lim - 16))));
    for (; i + 16 <= len; i += 16) // once at most: fewer than 18 bytes are left
        counts = _mm_sub_epi8(
            counts,
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i)), quote));
    if (i < len) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + len - 16));
        counts = _mm_sub_epi8(counts, _mm_and_si128(_mm_cmpeq_epi8(x, quote), lastbytes(len - i)));
    }
    *control = _mm_movemask_epi8(found) != 0;
    return n + sumlanes(counts);
}
#else
static size_t scanline(const char *s, size_t len, bool *control)
{
    return scanbytes(s, len, control);
}
#endif

size_t countquotes(const char *s, size_t len)
{
    bool control;
    return scanline(s, len, &control);
}

void sayline(int64_t lineno, const char *text)
{
    conputs("Line ");
    conputnum(lineno);
    conputs(": ");
    conputs(text);
    conend();
}

size_t stripend(const char *s, size_t len)
{
    while (len > 0 && static_cast<unsigned char>(s[len - 1]) <= 31)
        len--;
    return len;
}
