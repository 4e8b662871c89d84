// Whole runs of the built program, a test a row, each in a fresh folder of its own holding the
// save s1.vld: console text, exit code, and the copy byte for byte. The save must come out
// untouched.
// The rows are shell commands: POSIX sh on Linux ([runs]), cmd on Windows ([windows runs]).
// V names the program and IN the console input file, which a row may also copy into place
// as a save of its own.
#include "check.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32
#define setenv(name, value, overwrite) _putenv_s(name, value)
static const char RUNS[] = "[windows runs]";
#else
static const char RUNS[] = "[runs]";
#endif

// The row's commands in the folder dir, the console input from dir.in and output to dir.out.
// In sh, w COMMAND... waits for an event: it polls COMMAND until it succeeds, at most 10 s.
static std::string runline(const std::string &dir, const std::string &row)
{
#ifdef _WIN32
    return "cd /d \"" + dir + "\" && " + row + " <\"" + dir + ".in\" >\"" + dir + ".out\"";
#else
    return "w() { for i in $(seq 1000); do \"$@\" && return; sleep 0.01; done; false; }\ncd '" +
           dir + "' && {\n" + row + "\n} <'" + dir + ".in' >'" + dir + ".out'";
#endif
}

// The exit code of the commands. cmd gets them through the wide call, so that names in any
// script reach it whole.
static int run(const std::string &command)
{
#ifdef _WIN32
    return _wsystem(fs::u8path(command).c_str());
#else
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// The console text as it reaches the file: Windows's console is in text mode, where every line
// feed becomes CR LF.
static std::string astyped(std::string s)
{
#ifdef _WIN32
    for (size_t at = 0; (at = s.find('\n', at)) != std::string::npos; at += 2)
        s.insert(at, 1, '\r');
#endif
    return s;
}

// row: title | commands | console input | console | exit code | file | its bytes or -
static void checkrun(const tablerow &row, const std::string &dir, const std::string &s1)
{
    std::string console, copy;
    fs::create_directories(dir);
    std::ofstream(dir + ".in", std::ios::binary) << row[2];
    std::ofstream(dir + "/s1.vld", std::ios::binary) << s1;
    setenv("IN", (dir + ".in").c_str(), 1);
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

using Runs = testing::TestWithParam<tablerow>;

// A row whose commands name a tool this machine lacks is skipped, saying what to install;
// under CI, which installs them all, it fails instead.
TEST_P(Runs, Row)
{
    TRACEROW(GetParam());
    std::string why, ci = std::getenv("CI") ? std::getenv("CI") : "";
    for (std::string tool : {"strace"})
        if (GetParam()[1].find(tool) != std::string::npos &&
            run("command -v " + tool + " >/dev/null"))
            why = "needs " + tool + ": apt-get install " + tool;
    if (!why.empty() && ci != "true")
        GTEST_SKIP() << why;
    ASSERT_EQ("", why) << "CI has every tool";
    // A folder of the row's own, so that rows and suites can run side by side.
    fs::path root;
    unsigned n = std::random_device{}();
    do
        root = fs::temp_directory_path() / ("veskor-run-" + std::to_string(n++));
    while (!fs::create_directory(root));
    setenv("V", fs::absolute(VESKOR).make_preferred().string().c_str(), 1);
#ifdef SHIM
    setenv("SHIM", SHIM, 1);
#endif
#ifdef WINHELP
    setenv("W", fs::absolute(WINHELP).make_preferred().string().c_str(), 1);
#endif
    setenv("SANITIZED", SANITIZED, 1);
    for (const auto &text : readtable("[texts]"))
        if (text[0] == "s1")
            checkrun(GetParam(), (root / "run").string(), text[1]);
    if (!HasFailure())
        fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Table, Runs, testing::ValuesIn(readtable(RUNS)),
                         [](const auto &row) { return rowname(row.param); });
