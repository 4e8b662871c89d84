// Whole runs of the built program in a folder of their own: console text, exit code, and
// the copy byte for byte. The original must come out of every run untouched.
#include "bytes.h"

#include <filesystem>
#include <sys/wait.h>

namespace fs = std::filesystem;

static const char S1[] = "k1 = \"a\x01"
                         "b\"\r\nk2 = \"open\r\nrest\"\r\nk3 = \"x \"y\" z\r\nk4 = \"o\x02k\"\r\n";
static const char S1FIXED[] =
    "k1 = \"a b\"\r\nk2 = \"openrest\"\r\nk3 = \"x 'y\" z\r\nk4 = \"o k\"\r\n";
static const char S1LINES[] = "Line 1: 1 non-printable characters replaced with spaces (01h)\n"
                              "Line 3: merging this line with the previous line\n"
                              "Line 5: 1 non-printable characters replaced with spaces (02h)\n"
                              "Line 4: replaced 1 embedded double quotes with single quotes\n";
static const char WELCOME[] =
    "Hello, and welcome to VESKOR!\n\nNow, if you read the README file, you should be running\n"
    "this program from where your Valdremar save games\nare stored.\n\nHowever, I can't find "
    "an autosave.vld file in the current\ndirectory, so chances are you haven't done this. You "
    "can\nstill continue by entering a filename to scan and fix, but\nif it's not in the "
    "current directory and you fail to provide\na complete path to it, it won't be found.\n\n";
static const char PROMPT[] =
    "Please enter name of the file to scan, or press ENTER\nif you've changed your mind and "
    "want to abort. Remember\nto include the \".vld\" at the end of the file name.\n\n"
    "Filename: ";

struct runcase {
    const char *title;
    std::string setup;   // shell commands run first in the folder
    std::string command; // $V names the program, $SHIM the failure shim
    const char *answer;  // console input
    std::string console; // the folder's own path shows as <dir>
    int code;
    std::string copy;  // the copy's name in the folder
    const char *bytes; // its contents, or nullptr where no copy may remain
};

static std::string done(const std::string &name, const char *lines = "5")
{
    return S1LINES + ("Done writing '" + name + "'. " + lines + " lines processed.\n");
}

static void runcases(const char *group, const std::vector<runcase> &rows)
{
    fs::path root = fs::temp_directory_path() / ("veskor-" + std::string(group));
    fs::remove_all(root);
    int n = 0;
    for (const runcase &c : rows) {
        SCOPED_TRACE(c.title);
        std::string dir = (root / std::to_string(++n)).string(), console, copy;
        fs::create_directories(dir);
        FILE *f = std::fopen((dir + "/s1.vld").c_str(), "wb");
        std::fputs(S1, f);
        std::fclose(f);
        f = std::fopen((dir + ".in").c_str(), "wb");
        std::fputs(c.answer, f);
        std::fclose(f);
        std::string cmd = "cd '" + dir + "' && V='" VESKOR "' SHIM='" SHIM "' && " + c.setup +
                          " && " + c.command + " <'" + dir + ".in' >'" + dir + ".out'";
        int status = std::system(cmd.c_str());
        EXPECT_EQ(c.code, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        ASSERT_TRUE(readfile(dir + ".out", &console));
        for (size_t at; (at = console.find(dir)) != std::string::npos;)
            console.replace(at, dir.size(), "<dir>");
        EXPECT_BYTES(c.console, console);
        EXPECT_TRUE(readfile(dir + "/s1.vld", &copy) && copy == S1) << "the original changed";
        bool found = readfile(dir + "/" + c.copy, &copy);
        EXPECT_EQ(c.bytes != nullptr, found) << c.copy;
        if (c.bytes && found) {
            EXPECT_BYTES(c.bytes, copy);
        }
    }
}

TEST(Runs, ArgumentAndPromptModes)
{
    const std::string ask = std::string(WELCOME) + PROMPT, enter = "Press ENTER to quit!\n";
    const std::vector<runcase> rows = {
        {"argument", ":", "\"$V\" s1.vld more", "", done("FIXED-s1.vld"), 0, "FIXED-s1.vld",
         S1FIXED},
        {"prompt beside the autosave", "touch autosave.vld", "\"$V\"", "s1.vld\n",
         PROMPT + done("FIXED-s1.vld") + enter, 0, "FIXED-s1.vld", S1FIXED},
        {"prompt, answer ends in CR LF", ":", "\"$V\"", "s1.vld\r\n",
         ask + done("FIXED-s1.vld") + enter, 0, "FIXED-s1.vld", S1FIXED},
        {"prompt, empty answer", ":", "\"$V\"", "\n", ask, 0, "FIXED-s1.vld", nullptr},
        {"prompt, input ends at once", ":", "\"$V\"", "", ask, 0, "FIXED-s1.vld", nullptr},
        {"prompt, trailing spaces kept", ":", "\"$V\"", "s1.vld \n",
         ask + "Can't open the file 's1.vld '\n", 2, "FIXED-s1.vld ", nullptr},
        {"missing input", ":", "\"$V\" nosuch.vld", "", "Can't open the file 'nosuch.vld'\n", 2,
         "FIXED-nosuch.vld", nullptr},
        {"empty argument", ":", "\"$V\" ''", "", "Can't open the file ''\n", 2, "FIXED-", nullptr},
        {"copy in a folder", "mkdir saves && cp s1.vld saves", "\"$V\" saves/s1.vld", "",
         done("saves/FIXED-s1.vld"), 0, "saves/FIXED-s1.vld", S1FIXED},
        {"full path", ":", "\"$V\" \"$PWD/s1.vld\"", "", done("<dir>/FIXED-s1.vld"), 0,
         "FIXED-s1.vld", S1FIXED},
    };
    runcases("modes", rows);
}

TEST(Runs, Failures)
{
    std::string cut255;
    for (int i = 0; i < 42; i++)
        cut255 += "FIXED-";
    cut255 += "FIX";
    std::string overflow = "Line 1: input buffer overflow; sorry, can't help you.\n";
    const std::vector<runcase> rows = {
        {"copy not creatable", "mkdir FIXED-s1.vld", "\"$V\" s1.vld", "",
         "Can't create output file 'FIXED-s1.vld'\n", 3, "FIXED-s1.vld", nullptr},
        {"copy name links to the save", "ln -s s1.vld FIXED-s1.vld", "\"$V\" s1.vld", "",
         "Can't create output file 'FIXED-s1.vld'\n", 3, "FIXED-s1.vld", S1},
        {"copy name is a hard link", "ln s1.vld FIXED-s1.vld", "\"$V\" s1.vld", "",
         "Can't create output file 'FIXED-s1.vld'\n", 3, "FIXED-s1.vld", S1},
        {"cut name is the save's own", "cp s1.vld " + cut255, "\"$V\" " + cut255, "",
         "Can't create output file '" + cut255 + "'\n", 3, cut255, S1},
        {"folder as input", "mkdir d.vld", "\"$V\" d.vld", "", "Can't read the file 'd.vld'\n", 2,
         "FIXED-d.vld", nullptr},
        {"full disk", "ln -s /dev/full FIXED-s1.vld", "\"$V\" s1.vld", "",
         S1LINES + std::string("Can't write output file 'FIXED-s1.vld'\n"), 3, "FIXED-s1.vld",
         nullptr},
        {"line buffer refused", ":", "LD_PRELOAD=$SHIM VESKOR_FAILALLOC=1 \"$V\" s1.vld", "",
         "Out of memory\n", 9, "FIXED-s1.vld", nullptr},
        {"held buffer refused", ":", "LD_PRELOAD=$SHIM VESKOR_FAILALLOC=2 \"$V\" s1.vld", "",
         "Out of memory\n", 9, "FIXED-s1.vld", nullptr},
        {"endless line", "ln -s /dev/zero z.vld", "\"$V\" z.vld", "", overflow, 4, "FIXED-z.vld",
         nullptr},
        {"copy cannot be removed", "ln -s /dev/zero z.vld",
         "LD_PRELOAD=$SHIM VESKOR_FAILREMOVE=1 \"$V\" z.vld", "",
         overflow + "Can't delete output file 'FIXED-z.vld'\n", 4, "FIXED-z.vld", ""},
    };
    runcases("failures", rows);
}
