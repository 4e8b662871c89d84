#include "scrub.h"

#include "console.h"

const char hexdigit[17] = "0123456789ABCDEF";

// At most this many codes are listed in a message; the count is always the full one.
static const int MAXCODES = 63;

void scrubline(char *line, size_t len, int64_t lineno)
{
    unsigned char *p = reinterpret_cast<unsigned char *>(line);
    char codes[MAXCODES * 4];
    size_t at = 0;
    int count = 0;
    for (size_t i = 0; i + 2 < len; i++) {
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
    if (count == 0)
        return;
    conputs("Line ");
    conputnum(lineno);
    conputs(": ");
    conputnum(count);
    conputs(" non-printable characters replaced with spaces (");
    conput(codes, at);
    conputs(")\n");
    conend();
}
