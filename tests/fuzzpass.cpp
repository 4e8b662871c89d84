// Arbitrary bytes through the pass, checked against what any sound repair keeps. Built as a
// fuzz target, and replayed over the seed corpus by the ordinary tests.
#include "linepass.h"
#include "scan.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

static char linebuf[LINEWINDOW], heldbuf[LINEBUF], outbuf[WRITEBUF];

// The pass over the bytes, through temporary files: the copy comes back, with the outcome;
// *done is the pass's record, in and out.
std::string passbytes(const std::string &input, passresult *r, repairs *done)
{
    FILE *in = std::tmpfile(), *out = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    *r = fixfile(in, out, linebuf, heldbuf, outbuf, done);
    std::string copy(static_cast<size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    copy.resize(std::fread(copy.data(), 1, copy.size(), out));
    std::fclose(in);
    std::fclose(out);
    return copy;
}

static bool iscontrol(char c)
{
    return static_cast<unsigned char>(c) < 32 && c != '\t';
}

// Splits after each line feed; the last piece may have none.
static std::vector<std::string> splitlines(const std::string &s)
{
    std::vector<std::string> lines;
    for (size_t at = 0, nl; at < s.size(); at = nl + 1)
        lines.push_back(s.substr(at, (nl = std::min(s.find('\n', at), s.size() - 1)) - at + 1));
    return lines;
}

// The first property the pass broke on this input, or an empty text.
std::string checkrepair(const unsigned char *data, size_t size)
{
    std::string input(reinterpret_cast<const char *>(data), size);
    passresult r;
    repairs done{};
    std::string copy = passbytes(input, &r, &done);
    int64_t lines = done.lines;
    if (r == PASS_TOOLONG)
        return size > LINEMAX ? "" : "a line within the limit was refused";
    std::vector<std::string> in = splitlines(input), out = splitlines(copy);
    if (r != PASS_DONE || lines != static_cast<int64_t>(in.size()))
        return "the pass did not read every line";
    size_t odd = 0;
    bool clean = true;
    for (const std::string &line : in) {
        odd += static_cast<size_t>(std::count(line.begin(), line.end(), '"') % 2);
        std::string body = line.substr(0, line.size() - (line.back() == '\n' ? 1 : 0));
        body.resize(body.size() - (!body.empty() && body.back() == '\r' ? 1 : 0));
        for (char c : body)
            clean = clean && !iscontrol(c);
    }
    if (clean && odd == 0 && copy != input)
        return "a sound file was changed";
    // The scrub looks at all but the last two bytes of a line, so those of a last line
    // without a line end may end up inside its repaired copy.
    size_t tail = !input.empty() && input.back() != '\n';
    for (size_t i = 0; i + tail < out.size(); i++)
        for (size_t at = 0; at + 2 < out[i].size(); at++)
            if (iscontrol(out[i][at]))
                return "a control byte was left inside a line";
    if (copy.size() > input.size() + 3 * odd)
        return "the copy grew by more than three bytes a repaired line";
    for (int k = SCAN_PLAIN; k < SCAN_BEST; k++) {
        repairs kdone{};
        bool same = !scanuse(static_cast<scankind>(k)) ||
                    (passbytes(input, &r, &kdone) == copy && kdone.lines == lines);
        scanuse(SCAN_BEST);
        if (!same)
            return "the kinds of scan made different copies";
    }
    return "";
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    std::string why = checkrepair(data, size);
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        std::abort();
    }
    return 0;
}
