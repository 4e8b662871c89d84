// The pass over whole inputs, through temporary streams: parity, holds, merges, repairs,
// the length limit and the read buffer's seams.
#include "bytes.h"
#include "linepass.h"

#include <vector>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

struct passcase {
    const char *title;
    std::string in, out, console;
    passresult result;
    int64_t lines;
    int64_t before = 0; // lines counted before this input
};

static char line[LINEBUF], held[LINEBUF];

static void checkpass(const passcase &c, FILE *in)
{
    SCOPED_TRACE(c.title);
    FILE *out = std::tmpfile();
    ASSERT_TRUE(out);
    std::fwrite(c.in.data(), 1, c.in.size(), in);
    std::rewind(in);
    int64_t lines = c.before;
    CaptureStdout();
    EXPECT_EQ(c.result, fixfile(in, out, line, held, &lines));
    EXPECT_EQ(c.console, GetCapturedStdout());
    EXPECT_EQ(c.lines, lines);
    std::string got(c.out.size() + 1, '\0');
    std::rewind(out);
    got.resize(std::fread(got.data(), 1, got.size(), out));
    if (c.result == PASS_DONE) {
        EXPECT_BYTES(c.out, got);
    }
    std::fclose(out);
}

static void runpasses(const std::vector<passcase> &rows)
{
    for (const passcase &c : rows) {
        FILE *in = std::tmpfile();
        ASSERT_TRUE(in);
        checkpass(c, in);
        std::fclose(in);
    }
}

static std::string msg(int line, const char *what)
{
    return "Line " + std::to_string(line) + ": " + what + "\n";
}

static const char MERGE[] = "merging this line with the previous line";
static const char ADDED[] = "added trailing double quote";
static const char OVERFLOW[] = "input buffer overflow; sorry, can't help you.";

TEST(LinePass, ParityAndHolds)
{
    runpasses({
        {"empty input", "", "", "", PASS_DONE, 0},
        {"even lines pass", "a=\"1\"\r\nb\r\n", "a=\"1\"\r\nb\r\n", "", PASS_DONE, 2},
        {"no final line end", "a\r\nb", "a\r\nb", "", PASS_DONE, 2},
        {"the worked example",
         "k1 = \"a\x01"
         "b\"\r\nk2 = \"open\r\nrest\"\r\nk3 = \"x \"y\" z\r\nk4 = \"o\x02k\"\r\n",
         "k1 = \"a b\"\r\nk2 = \"openrest\"\r\nk3 = \"x 'y\" z\r\nk4 = \"o k\"\r\n",
         msg(1, "1 non-printable characters replaced with spaces (01h)") + msg(3, MERGE) +
             msg(5, "1 non-printable characters replaced with spaces (02h)") +
             msg(4, "replaced 1 embedded double quotes with single quotes"),
         PASS_DONE, 5},
        {"three odd lines", "\"1\r\n\"2\r\n\"3\r\nx\r\n", "\"1\"2\r\n\"3\"\r\nx\r\n",
         msg(2, MERGE) + msg(3, ADDED), PASS_DONE, 4},
        {"odd line then empty line", "a \"b\r\n\r\n", "a \"b\"\r\n\r\n", msg(1, ADDED), PASS_DONE,
         2},
        {"held line loses TAB, LF becomes CR LF", "k = \"v\t\nx\n", "k = \"v\"\r\nx\n",
         msg(1, ADDED), PASS_DONE, 2},
        {"merge drops the first line end", "a=\"b\t\r\nc\"\n", "a=\"bc\"\n", msg(2, MERGE),
         PASS_DONE, 2},
        {"last line odd", "x\r\nk = \"v\r\n", "x\r\nk = \"v\"\r\n", msg(2, ADDED), PASS_DONE, 2},
        {"last line odd, no line end", "k = \"v", "k = \"v\"\r\n", msg(1, ADDED), PASS_DONE, 1},
    });
}

TEST(LinePass, NulBytesAreData)
{
    runpasses({
        {"NUL inside is scrubbed", std::string("a\0b\"\"\r\n", 7), "a b\"\"\r\n",
         msg(1, "1 non-printable characters replaced with spaces (00h)"), PASS_DONE, 1},
        {"NUL before a line end keeps the lines apart", std::string("a\0\nb\0\n", 6),
         std::string("a\0\nb\0\n", 6), "", PASS_DONE, 2},
        {"NUL kept in a held last line", std::string("\"a\0b", 4), std::string("\"a\0b\"\r\n", 7),
         msg(1, ADDED), PASS_DONE, 1},
        {"endless NULs are one line too long", std::string(LINEBUF + 10, '\0'), "",
         msg(1, OVERFLOW), PASS_TOOLONG, 1},
    });
}

TEST(LinePass, LengthLimitAndBufferSeams)
{
    std::string most(LINEMAX - 2, 'a'), spanning(200000, 'b');
    std::string second = "k = \"" + std::string(99990, 'c') + "\x05x\r\n";
    runpasses({
        {"longest line", "x\r\n" + most + "\r\n", "x\r\n" + most + "\r\n", "", PASS_DONE, 2},
        {"one byte over", "x\r\n" + most + "a\r\n", "", msg(2, OVERFLOW), PASS_TOOLONG, 2},
        {"longest last line without line end", most + "ab", most + "ab", "", PASS_DONE, 1},
        {"one byte over without line end", most + "abc", "", msg(1, OVERFLOW), PASS_TOOLONG, 1},
        {"longest line held and repaired", "\"" + most.substr(1) + "\r\nx\r\n",
         "\"" + most.substr(1) + "\"\r\nx\r\n", msg(1, ADDED), PASS_DONE, 2},
        {"lines across the read buffer's end", spanning + "\r\n" + second + "x\"\r\n",
         spanning + "\r\n" + second.substr(0, 99995) + " xx\"\r\n",
         msg(2, "1 non-printable characters replaced with spaces (05h)") + msg(3, MERGE), PASS_DONE,
         3},
    });
}

TEST(LinePass, CountsPastTwoToThe31)
{
    runpasses({{"numbers go on past 2^31", "a\r\n\"b\r\nc\x01\"\r\n", "a\r\n\"bc \"\r\n",
                "Line 2147483649: 1 non-printable characters replaced with spaces (01h)\n" +
                    std::string("Line 2147483649: merging this line with the previous line\n"),
                PASS_DONE, 2147483649, 2147483646}});
}

TEST(LinePass, StreamFailures)
{
    FILE *unreadable = std::fopen("linepass-unreadable.tmp", "wb");
    ASSERT_TRUE(unreadable);
    checkpass({"input opened for writing only", "", "", "", PASS_READFAIL, 0}, unreadable);
    std::fclose(unreadable);
    std::remove("linepass-unreadable.tmp");
}
