// The pass over bytes in memory: the rows of the tables by the plain pass, then the program's
// pass held to the plain one under every kind of scan, over the rows, every line length near
// the scan's blocks, every byte value, the window's end and random saves.
#include "check.h"
#include "passrun.h"

#include <random>

// The rows of the pass's tables, a test a row, by the plain pass and by the program's under
// every kind of scan this build and processor have:
// title | input | copy | console | lines read [| outcome | lines counted before]
static std::vector<tablerow> passrows()
{
    return readtable("[scrub][quote repair][pass]");
}

static int64_t countedbefore(const tablerow &row)
{
    return row.size() > 6 ? std::stoll(row[6]) : 0;
}

using Pass = testing::TestWithParam<tablerow>;
TEST_P(Pass, Row)
{
    const tablerow &row = GetParam();
    TRACEROW(row);
    passresult want = row.size() > 5 && row[5] == "too long" ? PASS_TOOLONG : PASS_DONE;
    passrun got = plainpass(row[1], countedbefore(row));
    EXPECT_BYTES(row[3], got.console);
    EXPECT_EQ(want, got.result);
    EXPECT_EQ(std::stoll(row[4]), got.done.lines);
    if (want == PASS_DONE) {
        EXPECT_BYTES(row[2], got.copy);
    }
    EXPECT_EQ("", checkpass(row[1], countedbefore(row)));
}
INSTANTIATE_TEST_SUITE_P(Tables, Pass, testing::ValuesIn(passrows()),
                         [](const auto &p) { return rowname(p.param); });

// The tests below run once for each kind of scan, and are skipped, saying so, where the
// build or the processor lacks that kind.
static const scankind KINDS[] = {SCAN_PLAIN, SCAN_SSE2, SCAN_AVX2, SCAN_AVX512};
static const char *const KINDNAMES[] = {"plain", "SSE2", "AVX2", "AVX512"};
static const char *const KINDNEEDS[] = {
    "", "an x86-64 build", "an x86-64 build by GCC or clang, and AVX2 with PCLMUL",
    "an x86-64 build by GCC or clang, AVX-512BW and VL, and the system's AVX-512 state on"};

using Scans = testing::TestWithParam<scankind>;
INSTANTIATE_TEST_SUITE_P(Kinds, Scans, testing::ValuesIn(KINDS),
                         [](const auto &kind) { return KINDNAMES[kind.param]; });

// Skips the test where the build or the processor lacks its kind of scan.
#define NEEDKIND(kind)                                                                             \
    if (!scanuse(kind))                                                                            \
    GTEST_SKIP() << "this build or processor lacks the " << KINDNAMES[kind]                        \
                 << " scan, which needs " << KINDNEEDS[kind]

// The line before the swept one: none, a short clean one, a run of clean lines, an odd one,
// one with a control byte. The line after it: none, empty, empty with CR LF, sound, odd.
static const std::string BEFORE[] = {"", "a\n", "p = \"1\"\r\np = \"2\"\r\np = \"3\"\r\n",
                                     "o = \"1\n", "c\x01 = \"c\"\r\n"};
static const std::string AFTER[] = {"", "\n", "\r\n", "b = \"c\"\n", "c\"\n"};

// Lines of len bytes with the line end given: plain, or with a double quote or a control
// byte at one of the first or last four places, or a quote first and a quote or a control
// byte at one of the last four.
static std::vector<std::string> sweptlines(size_t len, const std::string &end)
{
    std::vector<std::string> lines;
    if (len < end.size())
        return lines;
    size_t body = len - end.size();
    std::string plain(body, 'y');
    lines.push_back(plain + end);
    for (size_t at = 0; at < body; at = at == 3 && body > 8 ? body - 4 : at + 1) {
        for (char mark : {'"', '\x01'}) {
            std::string s = plain;
            s[at] = mark;
            lines.push_back(s + end);
        }
        for (char last : {'"', '\x1f'})
            if (at > 0 && at + 4 >= body) {
                std::string s = plain;
                s[0] = '"';
                s[at] = last;
                lines.push_back(s + end);
            }
    }
    return lines;
}

// Under the sanitizers, which look for faults of memory rather than of repair, the sweep and
// the random saves take one in this many.
static const size_t THINNED = SANITIZED[0] ? 8 : 1;

// Every line length up to 300 and around the lengths where the scan goes on to longer steps
// and its quick pass over long lines, every line end, before and after each kind of line.
TEST_P(Scans, SweepOfLengths)
{
    NEEDKIND(GetParam());
    for (size_t len = GetParam() % THINNED; len <= 4100;
         len = len + THINNED > 300 && len < 950     ? 950
               : len + THINNED > 1100 && len < 4030 ? 4030
                                                    : len + THINNED)
        for (const std::string end : {"\n", "\r\n", ""})
            for (const std::string &line : sweptlines(len, end))
                for (const std::string &before : BEFORE)
                    for (const std::string &after : AFTER) {
                        if (end.empty() && !after.empty())
                            continue;
                        std::string input = before + line + after;
                        ASSERT_EQ("", checkpass(input, 0, 0, GetParam()))
                            << "length " << len << ": " << testing::PrintToString(input);
                    }
}

// Every byte value near a line's start and deep in a long one, in the second and the last
// 16 bytes of a block, where the scan may have a byte's sign or its class wrong.
TEST_P(Scans, EveryByte)
{
    NEEDKIND(GetParam());
    for (int v = 0; v < 256; v++)
        for (size_t at : {1, 1500, 1530}) {
            std::string s = "k = \"" + std::string(2000, 'a') + "\"\r\nnext\r\n";
            s[at] = static_cast<char>(v);
            ASSERT_EQ("", checkpass(s, 0, 0, GetParam())) << v << " at " << at;
        }
}

// A number below n from the generator, the same on every system.
static size_t below(std::mt19937_64 &rng, size_t n)
{
    return static_cast<size_t>(rng() % n);
}

// The value of a line: short mostly, now and then long, rarely some tens of thousands of bytes.
static std::string makevalue(std::mt19937_64 &rng)
{
    size_t kind = below(rng, 100);
    size_t len = kind < 90   ? below(rng, 30)
                 : kind < 99 ? 100 + below(rng, 5000)
                             : below(rng, 70000);
    return std::string(len, static_cast<char>('a' + below(rng, 26)));
}

// One of the kinds of damage done to the line s, whose value starts at from: a control byte,
// a value cut in two, a quote inside it or its closing one gone, a stray CR, an equals sign,
// high bytes, or the line made empty.
static void damage(std::mt19937_64 &rng, std::string *s, size_t from)
{
    size_t at = from + below(rng, s->size() - from + 1);
    static const char *const bits[] = {"\n", "\r\n", "\"", "=", "\x7f\xc3\xa9", "\t"};
    size_t kind = below(rng, 9);
    if (kind == 0)
        s->insert(at, 1, static_cast<char>(below(rng, 32)));
    else if (kind <= 6)
        s->insert(at, bits[kind - 1]);
    else if (kind == 7)
        s->pop_back();
    else
        s->clear();
}

// A save of a realistic shape: key = "value" lines, mostly sound and in runs, some long,
// damage of every kind here and there, and now and then no last line end or a line too long.
static std::string makesave(std::mt19937_64 &rng)
{
    std::string save;
    size_t lines = below(rng, 4) == 0 ? below(rng, 2000) : below(rng, 60);
    size_t rate = 2 + below(rng, 60);
    for (size_t i = 0; i < lines; i++) {
        std::string line = "key" + std::to_string(i) + " = \"";
        size_t from = line.size();
        line += makevalue(rng) + "\"";
        if (below(rng, rate) == 0)
            damage(rng, &line, from);
        save += line + (below(rng, 8) == 0 ? "\n" : "\r\n");
    }
    if (below(rng, 8) == 0 && !save.empty())
        save.pop_back();
    if (below(rng, 300) == 0)
        save += std::string(LINEMAX + below(rng, 3), 'z') + "\r\n";
    return save;
}

// Thousands of such saves, the same ones every run, handed over in pieces of varied sizes.
TEST_P(Scans, RandomSaves)
{
    NEEDKIND(GetParam());
    std::mt19937_64 rng(20261207);
    const size_t pieces[] = {0, 1, 7, 4096, 65537};
    for (size_t i = 0; i < 3000 / THINNED; i++) {
        std::string save = makesave(rng);
        int64_t before = below(rng, 20) == 0 ? INT32_MAX - 2 : 0;
        size_t piece = pieces[below(rng, 5)];
        ASSERT_EQ("", checkpass(save, before, piece, GetParam()))
            << "save " << i << " of " << save.size() << " bytes";
    }
}

// A line across the window's end, with a control byte at each place near it.
TEST_P(Scans, WindowSeam)
{
    NEEDKIND(GetParam());
    for (size_t at = LINEWINDOW - 99; at < LINEWINDOW + 99; at++) {
        std::string s = std::string(100000, 'c') + "\n" + std::string(LINEWINDOW - 100101, 'a') +
                        "\n" + std::string(198, 'b') + "\n";
        s[at] = '\x1b';
        ASSERT_EQ("", checkpass(s, 0, 0, GetParam())) << at;
    }
}

// The seeds of the fuzz corpus pass as the fuzz target checks them.
TEST(Fuzz, Seeds)
{
    for (const auto &seed : std::filesystem::directory_iterator(TESTDATA "/corpus")) {
        std::string s;
        readfile(seed.path().string(), &s);
        EXPECT_EQ("", checkpass(s)) << seed.path();
    }
}
