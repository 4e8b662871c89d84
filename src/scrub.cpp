#include "scrub.h"

#include <cinttypes>
#include <cstdio>

const char hexdigit[17] = "0123456789ABCDEF";

// At most this many codes are listed in a message; the count is always the full one.
static const int MAXCODES = 63;

static bool iscontrol(unsigned char c)
{
    return c < 32 && c != '\t';
}

// Whether any of the n bytes is a control character. Written without an early exit so the
// compiler can vectorise it: most lines have none and are looked at only here.
static bool hascontrol(const unsigned char *p, size_t n)
{
    unsigned char any = 0;
    for (size_t i = 0; i < n; i++)
        any |= static_cast<unsigned char>(iscontrol(p[i]));
    return any != 0;
}

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
