// The pass and its repairs over temporary streams: input bytes in; copy bytes, console text,
// outcome and line count out.
#include "check.h"
#include "linepass.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::string passbytes(const std::string &input, passresult *r, int64_t *lines);
std::string checkrepair(const unsigned char *data, size_t size);

// row: title | input | copy | console | lines read [| outcome | lines counted before]
static void checkpasses(const char *section)
{
    for (const auto &row : readtable(section)) {
        SCOPED_TRACE(row[0]);
        int64_t lines = row.size() > 6 ? std::stoll(row[6]) : 0;
        passresult want = row.size() > 5 && row[5] == "too long" ? PASS_TOOLONG : PASS_DONE, r;
        CaptureStdout();
        std::string got = passbytes(row[1], &r, &lines);
        EXPECT_EQ(row[3], GetCapturedStdout());
        EXPECT_EQ(want, r);
        EXPECT_EQ(std::stoll(row[4]), lines);
        if (want == PASS_DONE) {
            EXPECT_BYTES(row[2], got);
        }
    }
}

TEST(Pass, Scrub)
{
    checkpasses("[scrub]");
}
TEST(Pass, QuoteRepair)
{
    checkpasses("[quote repair]");
}
TEST(Pass, WholeInputs)
{
    checkpasses("[pass]");
}

// The count and the search for control bytes go sixteen bytes a step with an overlapping
// last chunk: a quote or a control byte at any place of a line of any length must be seen
// exactly once, and a control byte only before the line's last two bytes.
TEST(ChunkSeams, EveryPlaceOfEveryLength)
{
    for (size_t len = 1; len <= 4100; len = len == 50 ? 4070 : len + 1) {
        std::string quotes(len, '"');
        EXPECT_EQ(len, countquotes(quotes.data(), len));
        for (size_t at = 0; at < len; at = at == 40 && len > 80 ? len - 40 : at + 1) {
            std::string s(len, 'a');
            s[at] = '"';
            ASSERT_EQ(1u, countquotes(s.data(), len)) << "length " << len << ", at " << at;
            s[at] = '\x1b';
            passresult r;
            int64_t lines = 0;
            CaptureStdout();
            passbytes(s, &r, &lines);
            ASSERT_EQ(at + 2 < len, GetCapturedStdout() != "") << "length " << len << ", at " << at;
        }
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
