// The pass and its repairs over temporary streams: input bytes in; copy bytes, console text,
// outcome and line count out.
#include "check.h"
#include "linepass.h"
#include "scan.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::string passbytes(const std::string &input, passresult *r, repairs *done);
std::string checkrepair(const unsigned char *data, size_t size);

// The kinds of scan this build and processor have, of plain, SSE2 and AVX2: each test of
// the pass runs once for each.
static std::vector<scankind> kinds()
{
    std::vector<scankind> have;
    for (scankind kind : {SCAN_PLAIN, SCAN_SSE2, SCAN_AVX2})
        if (scanuse(kind))
            have.push_back(kind);
    scanuse(SCAN_BEST);
    return have;
}
static const char *const KINDNAMES[] = {"plain", "SSE2", "AVX2"};

using Scans = testing::TestWithParam<scankind>;
INSTANTIATE_TEST_SUITE_P(Kinds, Scans, testing::ValuesIn(kinds()),
                         [](const auto &kind) { return KINDNAMES[kind.param]; });

// The rows of the pass's tables, a test a row and kind of scan:
// title | input | copy | console | lines read [| outcome | lines counted before]
using Pass = testing::TestWithParam<std::tuple<scankind, tablerow>>;
TEST_P(Pass, Row)
{
    const tablerow &row = std::get<1>(GetParam());
    scanuse(std::get<0>(GetParam()));
    repairs done{};
    done.lines = row.size() > 6 ? std::stoll(row[6]) : 0;
    passresult want = row.size() > 5 && row[5] == "too long" ? PASS_TOOLONG : PASS_DONE, r;
    CaptureStdout();
    std::string got = passbytes(row[1], &r, &done);
    EXPECT_EQ(row[3], GetCapturedStdout());
    EXPECT_EQ(want, r);
    EXPECT_EQ(std::stoll(row[4]), done.lines);
    if (want == PASS_DONE) {
        EXPECT_BYTES(row[2], got);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Tables, Pass,
    testing::Combine(testing::ValuesIn(kinds()),
                     testing::ValuesIn(readtable("[scrub][quote repair][pass]"))),
    [](const auto &p) {
        return KINDNAMES[std::get<0>(p.param)] + ("_" + testname(std::get<1>(p.param)[0]));
    });

// The scan of a line of len bytes, its line end included, read in two parts: n bytes first.
static linescan scanparts(const std::string &s, size_t len, size_t n)
{
    linescan ls = {};
    EXPECT_FALSE(scanline(s.data(), n, &ls));
    EXPECT_TRUE(scanline(s.data(), len, &ls));
    EXPECT_EQ(len, ls.len);
    return ls;
}

// The scans go 64 bytes a block, in steps of 1 to 16 blocks, and a line may be read in
// parts: a quote or a control byte at any place of a line of any length, after lines of
// any length, must be seen exactly once, and a control byte only before the last two bytes.
TEST_P(Scans, ChunkSeams)
{
    scanuse(GetParam());
    for (size_t len = 1; len <= 4100; len = len == 300 ? 1000 : len == 1100 ? 4070 : len + 1) {
        std::string s(len - 1, '"');
        EXPECT_EQ((len - 1) % 2 == 1, scanparts(s + "\n", len, len / 2).odd) << len;
        for (size_t at = 0; at + 1 < len; at = at == 70 && len > 140 ? len - 70 : at + 1) {
            s.assign(len - 1, 'a');
            s += '\n';
            s[at] = '"';
            ASSERT_TRUE(scanparts(s, len, at).odd) << "length " << len << ", at " << at;
            s[at] = '\x1b';
            ASSERT_EQ(at + 2 < len, scanparts(s, len, at + 1).control) << len << ", at " << at;
            std::string before(len % 130, 'b');
            s.insert(0, before + "\n");
            linescan next;
            int64_t lines = 0;
            ASSERT_EQ(at + 2 < len ? before.size() + 1 : s.size(),
                      scanclean(s.data(), s.size(), &lines, &next));
            ASSERT_EQ(at + 2 < len ? 1 : 2, lines) << len << ", at " << at;
        }
    }
}

// Every byte value, near a line's start and deep in a long one (in the second and the last
// 16 bytes of a block): only 0 to 31 but TAB (and the line feed that ends the line) is a
// control byte, and only 22h a quote.
TEST_P(Scans, EveryByte)
{
    scanuse(GetParam());
    for (int v = 0; v < 256; v++) {
        for (size_t at : {1, 1500, 1530}) {
            std::string s(2000, 'a');
            s[at] = static_cast<char>(v);
            s += "\n";
            linescan ls = {};
            ASSERT_TRUE(scanline(s.data(), s.size(), &ls)) << v;
            ASSERT_EQ(v == '\n' ? at + 1 : s.size(), ls.len) << v;
            ASSERT_EQ(v < 32 && v != '\t' && v != '\n', ls.control) << v << ", at " << at;
            ASSERT_EQ(v == '"', ls.odd) << v << ", at " << at;
        }
    }
}

// A line across the window's end, with a control byte at each place near it.
TEST_P(Scans, WindowSeam)
{
    scanuse(GetParam());
    for (size_t at = LINEWINDOW - 99; at < LINEWINDOW + 99; at++) {
        std::string s = std::string(100000, 'c') + "\n" + std::string(LINEWINDOW - 100101, 'a') +
                        "\n" + std::string(198, 'b') + "\n";
        s[at] = '\x1b';
        passresult r;
        repairs done{};
        CaptureStdout();
        passbytes(s, &r, &done);
        ASSERT_EQ(at + 2 < LINEWINDOW + 100, GetCapturedStdout() != "") << at;
        ASSERT_EQ(3, done.lines);
    }
}

// The seeds of the fuzz corpus keep every property the fuzz target checks.
TEST(Fuzz, SeedsKeepTheProperties)
{
    for (const auto &seed : std::filesystem::directory_iterator(TESTDATA "/corpus")) {
        std::string s;
        readfile(seed.path().string(), &s);
        CaptureStdout();
        std::string why = checkrepair(reinterpret_cast<const unsigned char *>(s.data()), s.size());
        GetCapturedStdout();
        EXPECT_EQ("", why) << seed.path();
    }
}
