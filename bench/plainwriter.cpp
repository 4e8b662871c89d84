// The copy written through the C library's buffered stream alone, in place of the
// program's writer: built into veskorplain, which the benchmark sets beside veskor to tell
// what the page-aligned writing saves.
#include "writer.h"

#include <cstdio>

// The program's stream, known by its write function's context.
static FILE *stream(const writer *w)
{
    return static_cast<FILE *>(w->out.ctx);
}

static char streambuf[1 << 16];

void startwriter(writer *w, const byteout &out, char *buf)
{
    *w = writer{out, buf, 0, 0};
    if (out.write)
        std::setvbuf(stream(w), streambuf, _IOFBF, sizeof streambuf);
}

bool put(writer *w, const char *s, size_t n)
{
    return !w->out.write || n == 0 || std::fwrite(s, 1, n, stream(w)) == n;
}

bool putinplace(writer *w, const char *s, size_t n, size_t *left)
{
    *left = 0;
    return put(w, s, n);
}

bool finish(writer *w)
{
    return !w->out.write || std::fflush(stream(w)) == 0;
}
