// Runs the pass alone on a file, as the program does, but with the console buffered: the
// benchmark's measure of the repair's own cost, console output aside.
// usage: passonly save copy
#include "linepass.h"

#include <cstdio>

static char line[LINEBUF], held[LINEBUF], outbuf[LINEBUF], conbuf[1 << 16];

int main(int argc, char **argv)
{
    FILE *in = argc == 3 ? std::fopen(argv[1], "rb") : nullptr;
    FILE *out = in ? std::fopen(argv[2], "wb") : nullptr;
    if (!out)
        return 2;
    std::setvbuf(stdout, conbuf, _IOFBF, sizeof conbuf);
    std::setvbuf(in, nullptr, _IONBF, 0);
    std::setvbuf(out, outbuf, _IOFBF, sizeof outbuf);
    int64_t lines = 0;
    passresult r = fixfile(in, out, line, held, &lines);
    std::fclose(in);
    return std::fclose(out) == 0 && r == PASS_DONE ? 0 : 1;
}
