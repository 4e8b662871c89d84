#include "scrub.h"

#include "scan.h"

#include <cstring>

const char hexdigit[17] = "0123456789ABCDEF";

// The first control character at or after i and before end, or end; eight bytes a step.
static size_t nextcontrol(const unsigned char *p, size_t i, size_t end)
{
    for (uint64_t w = 0; i + 8 <= end && (std::memcpy(&w, p + i, 8), wordcontrols(w) == 0);
         i += 8) {
    }
    while (i < end && !iscontrol(p[i]))
        i++;
    return i;
}

int64_t scrubline(char *line, size_t len, char *codes, size_t *codelen)
{
    unsigned char *p = reinterpret_cast<unsigned char *>(line);
    size_t at = 0, end = len > 2 ? len - 2 : 0;
    int64_t count = 0;
    for (size_t i = nextcontrol(p, 0, end); i < end; i = nextcontrol(p, i + 1, end)) {
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
    *codelen = at;
    return count;
}
