// The small rooms alone, a test for each row of their tables: names, options and the writer;
// then what a stopped run removes.
#include "check.h"
#include "cleanup.h"
#include "names.h"
#include "options.h"
#include "sys.h"
#include "winname.h"
#include "writer.h"

#include <random>
#include <sstream>

// The words of a field, split at spaces.
static std::vector<std::string> words(const std::string &field)
{
    std::istringstream in(field);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// What the arguments ask for, in short, where the system takes /-switches or not: c and r for
// the options, the answer, ? before the first unknown option, then the saves.
static std::string asked(const std::string &arguments, bool slashes)
{
    std::vector<std::string> args = words(arguments);
    std::vector<char *> argv{const_cast<char *>("veskor")};
    for (std::string &arg : args)
        argv.push_back(arg.data());
    settings s{};
    readargs(static_cast<int>(argv.size()), argv.data(), slashes, &s);
    std::string r = std::string(s.check ? "c" : "") + (s.replace ? "r" : "") +
                    (s.answer == ANSWER_HELP      ? " help"
                     : s.answer == ANSWER_VERSION ? " version"
                                                  : "") +
                    (s.unknown.empty() ? "" : " ?" + s.unknown);
    for (const std::string &save : s.saves)
        r += " " + save;
    return r.substr(r[0] == ' ');
}

// The writes a writer makes, each "w" and its size, of what the test puts: p10 puts 10 bytes,
// i10 10 bytes that may leave where they lie (then "left" tells how many of them are put
// again next), x makes every write from then on fail, f finishes; a call that fails adds
// "fails". The bytes written must be those put, in order.
static std::string writes(const std::string &ops)
{
    static char buf[WRITEBUF];
    static std::string bytes;
    for (size_t i = bytes.size(); i < (1u << 20); i++)
        bytes += static_cast<char>(i % 251);
    struct sink {
        std::string done, got;
        bool failing;
    } out{"", "", false};
    auto write = [](void *ctx, const char *p, size_t n) {
        auto *o = static_cast<sink *>(ctx);
        o->done += " w" + std::to_string(n);
        o->got.append(p, n);
        return !o->failing;
    };
    writer w;
    startwriter(&w, byteout{write, &out}, buf);
    size_t at = 0;
    for (const std::string &op : words(ops)) {
        size_t n = op.size() > 1 ? std::stoul(op.substr(1)) : 0, left = 0;
        bool ok = op[0] == 'p'   ? put(&w, bytes.data() + at, n)
                  : op[0] == 'i' ? putinplace(&w, bytes.data() + at, n, &left)
                  : op[0] == 'f' ? finish(&w)
                                 : (out.failing = true);
        out.done += (left > 0 ? " left" + std::to_string(left) : "") + (ok ? "" : " fails");
        at += n - left;
    }
    EXPECT_BYTES(bytes.substr(0, out.got.size()), out.got);
    return out.done.substr(out.done.empty() ? 0 : 1);
}

// The rows of the rooms' tables, each by its table:
//   [copy names] save | separators | copy | temporary name, tag 1 | backup
//   [long forms] title | name | full path | long form
//   [answers] answer | name inside its quotes
//   [wildcards] pattern | names taken | names left out
//   [options] arguments | what they ask [| what they ask on Windows, where that differs]
//   [writer] pieces put | writes made
using Rooms = testing::TestWithParam<tablerow>;
TEST_P(Rooms, Row)
{
    const tablerow &row = GetParam();
    TRACEROW(row);
    if (row.heading == "copy names") {
        EXPECT_EQ(row[2], copyname(row[0], row[1].c_str()));
        EXPECT_EQ(row[3], tempname(row[2], 1, row[1].c_str()));
        EXPECT_EQ(row[4], backupname(row[0]));
    } else if (row.heading == "long forms") {
        EXPECT_EQ(row[3], longform(row[1], row[2]));
    } else if (row.heading == "answers") {
        EXPECT_EQ(row[1], unquote(row[0]));
    } else if (row.heading == "wildcards") {
        for (const std::string &name : words(row[1]))
            EXPECT_TRUE(wildkeeps(row[0].c_str(), name.c_str())) << "takes " << name;
        for (const std::string &name : words(row[2]))
            EXPECT_FALSE(wildkeeps(row[0].c_str(), name.c_str())) << "leaves " << name;
    } else if (row.heading == "options") {
        EXPECT_EQ(row[1], asked(row[0], false));
        EXPECT_EQ(row[row.size() - 1], asked(row[0], true)) << "on Windows";
    } else {
        EXPECT_EQ(row[1], writes(row[0]));
    }
}
INSTANTIATE_TEST_SUITE_P(
    Tables, Rooms,
    testing::ValuesIn(readtable("[copy names][long forms][answers][wildcards][options][writer]")),
    [](const auto &p) { return rowname(p.param) + "_" + std::to_string(p.index); });

// A stopped run removes the name last set, not one readied for a file not yet made; a name
// too long for it to remove is refused before the file is made.
TEST(Stops, Guards)
{
    std::string dir = testing::TempDir() + "veskor-stops-" + std::to_string(std::random_device{}());
    std::filesystem::create_directory(dir);
    std::string made = dir + "/made", readied = dir + "/readied";
    std::ofstream(made) << made;
    std::ofstream(readied) << readied;
    ASSERT_TRUE(guardready(GUARD_TEMP, made.c_str()));
    guardset(GUARD_TEMP);
    ASSERT_TRUE(guardready(GUARD_TEMP, readied.c_str()));
    EXPECT_FALSE(guardready(GUARD_BACKUP, std::string(NAMEROOM, 'n').c_str()));
    removeguarded();
    guardclear(GUARD_TEMP);
    EXPECT_FALSE(std::filesystem::exists(made));
    EXPECT_TRUE(std::filesystem::exists(readied));
    std::filesystem::remove_all(dir);
}
