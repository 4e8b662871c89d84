// The two repairs made to single lines: the control-character scrub and the quote repair.
#include "bytes.h"
#include "linepass.h"
#include "quoterepair.h"
#include "scrub.h"

#include <vector>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct linecase {
    const char *title;
    std::string in, out, console;
};

static std::string scrubmsg(const char *rest)
{
    return std::string("Line 7: ") + rest + "\n";
}

TEST(Scrub, Lines)
{
    std::string ctl100(100, '\x1f'), list63 = "1Fh";
    for (int i = 1; i < 63; i++)
        list63 += " 1Fh";
    const linecase rows[] = {
        {"two codes",
         "a\x01"
         "b\x1a"
         "c\r\n",
         "a b c\r\n", scrubmsg("2 non-printable characters replaced with spaces (01h 1Ah)")},
        {"clean line", "k = \"v\"\r\n", "k = \"v\"\r\n", ""},
        {"TAB, DEL and high bytes stay", "\t\x7f\x80\xff\r\n", "\t\x7f\x80\xff\r\n", ""},
        {"stray CR before CR LF", "x\r\r\n", "x \r\n",
         scrubmsg("1 non-printable characters replaced with spaces (0Dh)")},
        {"NUL is a control character", std::string("a\0b\r\n", 5), "a b\r\n",
         scrubmsg("1 non-printable characters replaced with spaces (00h)")},
        {"last two bytes untouched", "\x01\x02\x03", " \x02\x03",
         scrubmsg("1 non-printable characters replaced with spaces (01h)")},
        {"two bytes are not examined", "\x01\x02", "\x01\x02", ""},
        {"list stops at 63, count does not", ctl100 + "\r\n", std::string(100, ' ') + "\r\n",
         scrubmsg(("100 non-printable characters replaced with spaces (" + list63 + ")").c_str())},
    };
    for (const linecase &c : rows) {
        SCOPED_TRACE(c.title);
        std::string s = c.in;
        CaptureStdout();
        scrubline(s.data(), s.size(), 7);
        EXPECT_EQ(c.console, GetCapturedStdout());
        EXPECT_BYTES(c.out, s);
    }
}

static const char REPLACED1[] = "Line 12: replaced 1 embedded double quotes with single quotes\n";
static const char ADDED[] = "Line 12: added trailing double quote\n";

TEST(QuoteRepair, HeldLines)
{
    const linecase rows[] = {
        {"embedded quote", "name = \"Foo \"Bar Baz\"", "name = \"Foo 'Bar Baz\"", REPLACED1},
        {"open value", "name = \"Foo", "name = \"Foo\"", ADDED},
        {"both", "a = \"x \"y\" z\" b = \"w", "a = \"x 'y' z\" b = \"w\"",
         std::string(ADDED) + "Line 12: replaced 2 embedded double quotes with single quotes\n"},
        {"second value", "a = \"x\" b = \"y \"z\"", "a = \"x\" b = \"y 'z\"", REPLACED1},
        {"open before equals", "a = \"x b = \"y\"", "a = \"x b = \"y\"", ""},
        {"equals inside value", "a = \"x=y", "a = \"x=y", ""},
        {"lone opening quote", "a = \"", "a = \"\"", ADDED},
        {"first quote is the last byte", "abc\"", "abc\"\"", ADDED},
        {"quote at the start", "\"a \"b \"c", "\"a 'b \"c", REPLACED1},
        {"after trailing spaces", "k = \"v  ", "k = \"v  \"", ADDED},
        {"NUL is an ordinary byte", std::string("k = \"a\0\"b\"", 10),
         std::string("k = \"a\0'b\"", 10), REPLACED1},
    };
    for (const linecase &c : rows) {
        SCOPED_TRACE(c.title);
        std::string s = c.in + '?';
        CaptureStdout();
        s.resize(fixquotes(s.data(), c.in.size(), 12));
        EXPECT_EQ(c.console, GetCapturedStdout());
        EXPECT_BYTES(c.out, s);
    }
}

// The count and the scrub's check go sixteen bytes a step with an overlapping last chunk:
// a quote or a control byte at any place of a line of any length must be seen exactly once.
TEST(ChunkSeams, EveryPlaceOfEveryLength)
{
    std::vector<size_t> lengths;
    for (size_t len = 1; len <= 50; len++)
        lengths.push_back(len);
    for (size_t len = 4070; len <= 4100; len++)
        lengths.push_back(len);
    for (size_t len : lengths) {
        std::string quotes(len, '"');
        EXPECT_EQ(len, countquotes(quotes.data(), len));
        for (size_t at = 0; at < len; at = at == 40 && len > 80 ? len - 40 : at + 1) {
            std::string s(len, 'a');
            s[at] = '"';
            ASSERT_EQ(1u, countquotes(s.data(), len)) << "length " << len << ", place " << at;
            s[at] = '\x1b';
            CaptureStdout();
            scrubline(s.data(), len, 1);
            ASSERT_EQ(at + 2 < len, GetCapturedStdout() != "") << "length " << len << ", at " << at;
        }
    }
}
