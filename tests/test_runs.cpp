// Whole runs of the built program, each in a folder of its own holding the save s1.vld:
// console text, exit code, and the copy byte for byte. The save must come out untouched.
// The rows are shell commands: POSIX sh on Linux ([runs]), cmd on Windows ([windows runs]).
// V names the program and IN the console input file, which a row may also copy into place
// as a save of its own.
#include "check.h"
#include "winname.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32
static const char RUNS[] = "[windows runs]";

static void setvar(const char *name, const std::string &value)
{
    _putenv_s(name, value.c_str());
}

static std::string runline(const std::string &dir, const std::string &row)
{
    return "cd /d \"" + dir + "\" && " + row + " <\"" + dir + ".in\" >\"" + dir + ".out\"";
}

// cmd gets the row through the wide call, so that names in any script reach it whole.
static int run(const std::string &command)
{
    return _wsystem(fs::u8path(command).c_str());
}

// The console is in text mode: every line feed reaches it as CR LF.
static std::string astyped(const std::string &s)
{
    std::string r;
    for (char c : s)
        r += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return r;
}
#else
static const char RUNS[] = "[runs]";

static void setvar(const char *name, const std::string &value)
{
    setenv(name, value.c_str(), 1);
}

static std::string runline(const std::string &dir, const std::string &row)
{
    return "cd '" + dir + "' && {\n" + row + "\n} <'" + dir + ".in' >'" + dir + ".out'";
}

static int run(const std::string &command)
{
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static std::string astyped(const std::string &s)
{
    return s;
}
#endif

// row: title | commands | console input | console | exit code | file | its bytes or -
static void checkrun(const std::vector<std::string> &row, const std::string &dir,
                     const std::string &s1)
{
    SCOPED_TRACE(row[0]);
    std::string console, copy;
    fs::create_directories(dir);
    std::ofstream(dir + ".in", std::ios::binary) << row[2];
    std::ofstream(dir + "/s1.vld", std::ios::binary) << s1;
    setvar("IN", dir + ".in");
    EXPECT_EQ(std::stoi(row[4]), run(runline(dir, row[1])));
    readfile(dir + ".out", &console);
    for (size_t at; (at = console.find(dir)) != std::string::npos;)
        console.replace(at, dir.size(), "<dir>");
    // A temporary file's name ends in '~' and a tag of five that differs from run to run.
    for (size_t at = console.find('~'); at != std::string::npos; at = console.find('~', at + 1))
        console.replace(at + 1, 5, "?????");
    EXPECT_BYTES(astyped(row[3]), console);
    EXPECT_TRUE(readfile(dir + "/s1.vld", &copy) && copy == s1) << "the save changed";
    for (const auto &left : fs::directory_iterator(dir))
        EXPECT_EQ(left.path().filename().u8string().find('~'), std::string::npos) << "left behind";
    EXPECT_EQ(row[6] != "-", readfile(dir + "/" + row[5], &copy)) << row[5];
    if (row[6] != "-") {
        EXPECT_BYTES(row[6], copy);
    }
}

TEST(Runs, ModesAndFailures)
{
    // A folder of this run's own, so that suites can run side by side.
    fs::path root;
    unsigned n = std::random_device{}();
    do
        root = fs::temp_directory_path() / ("veskor-runs-" + std::to_string(n++));
    while (!fs::create_directory(root));
    setvar("V", fs::absolute(VESKOR).make_preferred().string());
#ifdef SHIM
    setvar("SHIM", SHIM);
#endif
#ifdef WINHELP
    setvar("W", fs::absolute(WINHELP).make_preferred().string());
#endif
    setvar("SANITIZED", SANITIZED);
    std::string s1;
    for (const auto &text : readtable("[texts]"))
        s1 = text[0] == "s1" ? text[1] : s1;
    n = 0;
    for (const auto &row : readtable(RUNS))
        checkrun(row, (root / std::to_string(++n)).string(), s1);
    if (!HasFailure())
        fs::remove_all(root);
}

TEST(Names, LongForms)
{
    for (const auto &row : readtable("[long forms]"))
        EXPECT_EQ(row[3], longform(row[1], row[2])) << row[0];
}

TEST(Names, OwnFiles)
{
    for (const auto &row : readtable("[own files]"))
        EXPECT_EQ(row[1] == "own", ownfile(row[0])) << row[0];
}
