// veskor: writes a repaired copy of a damaged Valdremar save file beside it.
#include "console.h"
#include "copyfile.h"
#include "linepass.h"
#include "names.h"
#include "sys.h"

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The exit codes.
enum { EXIT_DONE = 0, EXIT_NOREAD = 2, EXIT_NOWRITE = 3, EXIT_TOOLONG = 4, EXIT_NOMEMORY = 9 };

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

static const char USAGE[] =
    "Usage: veskor [SAVE...]\n"
    "Repairs damaged Valdremar save files. Each SAVE is only read; a repaired copy\n"
    "named FIXED-<name> is written beside it, and every repair is listed with its\n"
    "line number. Without a SAVE, veskor asks for the name of one.\n"
    "\n"
    "Exit codes: 0 done, 2 a save cannot be opened or read, 3 a copy cannot be\n"
    "created or written, 4 a line is too long, 9 out of memory. With several saves,\n"
    "the code of the first that failed.\n"
    "\n"
    "A save named like an option is reached as ./--help.\n";

// Prints a message that names a file.
static void saynamed(const char *before, const std::string &name, const char *after)
{
    conputs(before);
    conputname(name.c_str());
    conputs(after);
    conend();
}

// Whether a file of that name can be opened for reading.
static bool opens(const std::string &name)
{
    FILE *f = openread(name.c_str());
    if (f)
        std::fclose(f);
    return f != nullptr;
}

// Prompt mode: asks for the save file's name. False when the answer is empty or missing.
// A name pasted in quotes is taken from inside them, unless it opens as it stands.
static bool askname(std::string *name)
{
    if (!opens("autosave.vld"))
        conputs(WELCOME);
    conputs(PROMPT);
    conend();
    if (!readline(name))
        return false;
    name->resize(stripend(name->data(), name->size()));
    std::string inside = unquote(*name);
    if (!inside.empty() && !opens(*name))
        *name = inside;
    return !name->empty();
}

// Obtains the buffers and runs the pass over the two files, counting into *done.
static int runpass(FILE *in, FILE *out, repairs *done)
{
    char *line = static_cast<char *>(std::malloc(LINEWINDOW));
    char *held = line ? static_cast<char *>(std::malloc(LINEBUF)) : nullptr;
    char *outbuf = held ? static_cast<char *>(std::malloc(WRITEBUF)) : nullptr;
    if (!outbuf) {
        std::free(line);
        std::free(held);
        return EXIT_NOMEMORY;
    }
    // The pass reads whole blocks into its own buffer and gathers its small writes itself,
    // so neither stream needs one.
    std::setvbuf(in, nullptr, _IONBF, 0);
    std::setvbuf(out, nullptr, _IONBF, 0);
    passresult r = fixfile(in, out, line, held, outbuf, done);
    std::free(line);
    std::free(held);
    std::free(outbuf);
    return r == PASS_DONE       ? EXIT_DONE
           : r == PASS_TOOLONG  ? EXIT_TOOLONG
           : r == PASS_READFAIL ? EXIT_NOREAD
                                : EXIT_NOWRITE;
}

// Whether the save changed while it was read: the game rewrote, extended or replaced it.
// Pipes and devices have nothing to compare.
static bool changed(FILE *in, const std::string &save, const filestamp &before)
{
    filestamp read, named;
    if (!before.regular)
        return false;
    // A game that saves anew renames a new file over the old one: the name is what counts.
    return !stampfile(in, &read) || read.offset > before.size || !stampname(save.c_str(), &named) ||
           named.volume != before.volume || named.number != before.number ||
           named.size != before.size || named.mtime != before.mtime || named.ctime != before.ctime;
}

// Ends a failed run: the failure is told, and the temporary file goes.
static int fail(copyfile *c, int code, const std::string &save)
{
    if (code == EXIT_NOMEMORY)
        conputs("Out of memory\n");
    if (code == EXIT_NOREAD)
        saynamed("Can't read the file '", save, "'\n");
    if (code == EXIT_NOWRITE)
        saynamed("Can't write output file '", c->name, "'\n");
    conend();
    if (!discardcopy(c))
        saynamed("Can't delete output file '", c->temp, "'\n");
    return code;
}

// Opens the save, or says why it cannot and sets *code.
static FILE *opensave(const std::string &save, int *code)
{
    openwhy why = OPEN_FAILED;
    FILE *in = openread(save.c_str(), &why);
    if (in)
        return in;
    *code = why == OPEN_NOMEMORY ? EXIT_NOMEMORY : EXIT_NOREAD;
    if (why == OPEN_NOMEMORY)
        conputs("Out of memory\n");
    else
        saynamed("Can't open the file '", save, "'\n");
    if (why == OPEN_HELD)
        conputs("Another program has the save open: close the game and try again.\n");
    conend();
    return nullptr;
}

// Whether an earlier copy stands in the way that the system will not let the new one
// replace; told before any work is done.
static bool refused(const std::string &name)
{
    bool locked = readonly(name.c_str());
    if (locked)
        saynamed("Can't replace '", name, "': the earlier copy is read-only\n");
    return locked;
}

// Puts the finished copy of a save in place and reports; gives the exit code.
static int finish(copyfile *c, const filestamp &before, int64_t lines)
{
    // A device or a pipe has no permission bits a copy should take over.
    commitresult placed = commitcopy(c, before.regular ? before.mode : newmode());
    if (placed == COMMIT_FAILED)
        return fail(c, EXIT_NOWRITE, "");
    if (placed == COMMIT_UNSYNCED) {
        saynamed("The copy '", c->name,
                 "' is in place, but the disk did not confirm it; it may not survive a power "
                 "cut\n");
        return EXIT_NOWRITE;
    }
    conputs("Done writing '");
    conputname(c->name.c_str());
    conputs("'. ");
    conputnum(lines);
    conputs(" lines processed.\n");
    conend();
    return EXIT_DONE;
}

// Tells that the copy cannot be made; gives the exit code.
static int refuse(const std::string &copy)
{
    saynamed("Can't create output file '", copy, "'\n");
    return EXIT_NOWRITE;
}

// Repairs one save into its copy and reports; gives the exit code.
static int fixone(const std::string &save)
{
    int code = EXIT_DONE;
    FILE *in = opensave(save, &code);
    if (!in)
        return code;
    copyfile copy;
    filestamp before{};
    std::string name = copyname(save);
    if (refused(name)) {
        std::fclose(in);
        return EXIT_NOWRITE;
    }
    if (!stampfile(in, &before) || samefile(save.c_str(), name.c_str()) || !opencopy(&copy, name)) {
        std::fclose(in);
        return refuse(name);
    }
    repairs done{};
    code = runpass(in, copy.fp, &done);
    if (code == EXIT_DONE && changed(in, save, before))
        code = EXIT_NOREAD;
    std::fclose(in);
    if (code != EXIT_DONE)
        return fail(&copy, code, save);
    return finish(&copy, before, done.lines);
}

// Answers --help, -h and --version; false for any other argument.
static bool tellabout(const std::string &arg)
{
    if (arg == "--version")
        conputs("VESKOR " VESKOR_VERSION "\nLicensed under the MIT licence.\n");
    else if (arg == "--help" || arg == "-h")
        conputs(USAGE);
    else
        return false;
    conend();
    return true;
}

// Which of the saves named may not be repaired, found before anything is written: those
// whose copy would replace a file named as a save.
static std::vector<bool> clashes(int argc, char **argv)
{
    std::set<std::pair<uint64_t, uint64_t>> named;
    std::vector<bool> refused(static_cast<size_t>(argc));
    filestamp st;
    for (int i = 1; i < argc; i++)
        if (stampname(argv[i], &st))
            named.insert({st.volume, st.number});
    for (int i = 1; i < argc; i++)
        refused[i] =
            stampname(copyname(argv[i]).c_str(), &st) && named.count({st.volume, st.number}) != 0;
    return refused;
}

// Repairs each save named in turn, each as a run of its own; gives the code of the first
// that failed.
static int fixall(int argc, char **argv)
{
    int code = EXIT_DONE;
    std::vector<bool> refused = clashes(argc, argv);
    for (int i = 1; i < argc; i++) {
        int one = refused[i] ? refuse(copyname(argv[i])) : fixone(argv[i]);
        code = code == EXIT_DONE ? one : code;
    }
    return code;
}

int main(int argc, char **argv)
{
    sysinit(&argc, &argv);
    std::string save;
    int code = EXIT_DONE;
    bool left = false;
    if (argc > 1 && tellabout(argv[1]))
        ;
    else if (argc > 1)
        code = fixall(argc, argv);
    else if (askname(&save))
        code = fixone(save);
    else
        left = true; // the player chose to leave
    // A window of its own closes when the program ends: it waits for the player to read.
    if (!left && ((argc == 1 && code == EXIT_DONE) || ownconsole())) {
        conputs("Press ENTER to quit!\n");
        conend();
        dropinput(); // a key pressed during the run must not close the window unread
        readline(&save);
    }
    conflush();
    return code;
}
