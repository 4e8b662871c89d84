// Whole runs of the built program, each in a folder of its own holding the save s1.vld:
// console text, exit code, and the copy byte for byte. The save must come out untouched.
#include "check.h"

#include <filesystem>
#include <sys/wait.h>

namespace fs = std::filesystem;

// row: title | shell commands | console input | console | exit code | file | its bytes or -
static void checkrun(const std::vector<std::string> &row, const std::string &dir,
                     const std::string &s1)
{
    SCOPED_TRACE(row[0]);
    std::string console, copy;
    fs::create_directories(dir);
    std::ofstream(dir + ".in", std::ios::binary) << row[2];
    std::ofstream(dir + "/s1.vld", std::ios::binary) << s1;
    std::string cmd = "cd '" + dir +
                      "' && V='" VESKOR "' SHIM='" SHIM "' SANITIZED=" SANITIZED " && " + row[1] +
                      " <'" + dir + ".in' >'" + dir + ".out'";
    int status = std::system(cmd.c_str());
    EXPECT_EQ(std::stoi(row[4]), WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    readfile(dir + ".out", &console);
    for (size_t at; (at = console.find(dir)) != std::string::npos;)
        console.replace(at, dir.size(), "<dir>");
    EXPECT_BYTES(row[3], console);
    EXPECT_TRUE(readfile(dir + "/s1.vld", &copy) && copy == s1) << "the save changed";
    EXPECT_EQ(row[6] != "-", readfile(dir + "/" + row[5], &copy)) << row[5];
    if (row[6] != "-") {
        EXPECT_BYTES(row[6], copy);
    }
}

TEST(Runs, ModesAndFailures)
{
    fs::path root = fs::temp_directory_path() / "veskor-runs";
    fs::remove_all(root);
    int n = 0;
    std::string ask;
    readfile(TESTDATA "/ask.txt", &ask);
    std::string s1;
    for (const auto &text : readtable("[texts]"))
        s1 = text[0] == "s1" ? text[1] : s1;
    texts named = {{"ask", ask}, {"prompt", ask.substr(ask.find("Please enter"))}};
    for (const auto &row : readtable("[runs]", named))
        checkrun(row, (root / std::to_string(++n)).string(), s1);
}
