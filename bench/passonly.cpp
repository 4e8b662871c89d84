// Runs the pass alone on a file, as the program does, but with the console buffered: the
// benchmark's measure of the repair's own cost, console output aside. A third argument
// picks the kind of scan instead of the fastest the processor has; one it lacks, or an
// unknown name, ends the run with 2 before it reads.
// usage: passonly save copy [plain|sse2|avx2|avx512]
#include "linepass.h"
#include "report.h"
#include "scan.h"

#include <cstdio>
#include <cstring>

static char line[LINEWINDOW], held[LINEBUF], outbuf[WRITEBUF], conbuf[1 << 16];

// The kind of scan named, or SCAN_BEST for a name of none.
static scankind findkind(const char *name)
{
    const char *names[] = {"plain", "sse2", "avx2", "avx512"};
    for (int k = SCAN_PLAIN; k < SCAN_BEST; k++)
        if (std::strcmp(name, names[k]) == 0)
            return static_cast<scankind>(k);
    return SCAN_BEST;
}

static long readfile(void *ctx, char *buf, size_t size)
{
    size_t n = std::fread(buf, 1, size, static_cast<FILE *>(ctx));
    return std::ferror(static_cast<FILE *>(ctx)) ? -1 : static_cast<long>(n);
}

static bool writefile(void *ctx, const char *buf, size_t size)
{
    return std::fwrite(buf, 1, size, static_cast<FILE *>(ctx)) == size;
}

static void tellrepair(void *, const repair &r)
{
    char text[WORDROOM];
    std::fwrite(text, 1, wordrepair(r, text), stdout);
}

int main(int argc, char **argv)
{
    FILE *in = argc >= 3 ? std::fopen(argv[1], "rb") : nullptr;
    FILE *out = in ? std::fopen(argv[2], "wb") : nullptr;
    scankind kind = argc > 3 ? findkind(argv[3]) : SCAN_BEST;
    if (!out || (argc > 3 && (kind == SCAN_BEST || !scanuse(kind))))
        return 2;
    std::setvbuf(stdout, conbuf, _IOFBF, sizeof conbuf);
    std::setvbuf(in, nullptr, _IONBF, 0);
    std::setvbuf(out, nullptr, _IONBF, 0);
    repairs done{};
    passresult r =
        fixfile(reader{readfile, in}, byteout{writefile, out}, events{tellrepair, nullptr, nullptr},
                passmemory{line, held, outbuf}, &done);
    std::fclose(in);
    return std::fclose(out) == 0 && r == PASS_DONE ? 0 : 1;
}
