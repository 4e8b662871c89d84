#include "passrun.h"

#include "report.h"

#include <algorithm>
#include <cstring>

static char linebuf[LINEWINDOW], heldbuf[LINEBUF], outbuf[WRITEBUF];

// The input still to be read, handed over at most piece bytes a read.
struct memoryin {
    const std::string *bytes;
    size_t at, piece;
};

static long readmemory(void *ctx, char *buf, size_t size)
{
    auto *in = static_cast<memoryin *>(ctx);
    size_t n = std::min({size, in->bytes->size() - in->at, in->piece ? in->piece : size});
    std::memcpy(buf, in->bytes->data() + in->at, n);
    in->at += n;
    return static_cast<long>(n);
}

static bool writememory(void *ctx, const char *buf, size_t size)
{
    static_cast<passrun *>(ctx)->copy.append(buf, size);
    return true;
}

static void tellrepair(void *ctx, const repair &r)
{
    char text[WORDROOM];
    static_cast<passrun *>(ctx)->console.append(text, wordrepair(r, text));
}

static void tellend(void *ctx, passresult result, int64_t line)
{
    char text[WORDROOM];
    if (result == PASS_TOOLONG)
        static_cast<passrun *>(ctx)->console.append(text, wordoverflow(line, text));
}

passrun fastpass(const std::string &input, int64_t before, size_t piece)
{
    passrun run{"", "", PASS_DONE, repairs{before, 0, 0, 0, 0}};
    memoryin in{&input, 0, piece};
    run.result =
        fixfile(reader{readmemory, &in}, byteout{writememory, &run},
                events{tellrepair, tellend, &run}, passmemory{linebuf, heldbuf, outbuf}, &run.done);
    return run;
}

// The bytes of s near at, escaped.
static std::string near(const std::string &s, size_t at)
{
    std::string r;
    for (size_t i = at < 16 ? 0 : at - 16; i < s.size() && i < at + 16; i++) {
        char hex[8];
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::snprintf(hex, sizeof hex, c < 32 || c > 126 || c == '\\' ? "\\x%02X" : "%c", c);
        r += hex;
    }
    return r;
}

std::string textdiff(const char *what, const std::string &want, const std::string &got)
{
    if (want == got)
        return "";
    size_t at = static_cast<size_t>(
        std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first - want.begin());
    return std::string(what) + ": want " + std::to_string(want.size()) + " bytes, got " +
           std::to_string(got.size()) + ", first difference at " + std::to_string(at) +
           "\n  want: " + near(want, at) + "\n  got:  " + near(got, at) + "\n";
}

std::string differ(const passrun &want, const passrun &got)
{
    const repairs &w = want.done, &g = got.done;
    std::string why = textdiff("console", want.console, got.console);
    if (want.result != got.result)
        why += "outcome: want " + std::to_string(want.result) + ", got " +
               std::to_string(got.result) + "\n";
    if (w.lines != g.lines || w.merged != g.merged || w.scrubbed != g.scrubbed ||
        w.requoted != g.requoted || w.closed != g.closed)
        why += "counts differ\n";
    if (want.result == PASS_DONE)
        why += textdiff("copy", want.copy, got.copy);
    return why;
}

std::string checkpass(const std::string &input, int64_t before, size_t piece, scankind only)
{
    passrun want = plainpass(input, before);
    std::string why;
    for (int k = SCAN_PLAIN; k < SCAN_BEST && why.empty(); k++)
        if ((only == SCAN_BEST || k == only) && scanuse(static_cast<scankind>(k)))
            why = differ(want, fastpass(input, before, piece));
    scanuse(SCAN_BEST);
    return why;
}
