#include "messages.h"

#include "console.h"
#include "report.h"

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
    "Usage: veskor [OPTION...] [SAVE...]\n"
    "Repairs damaged Valdremar save files: a repaired copy of each SAVE is written\n"
    "beside it as FIXED-<name>, the SAVE only read, and every repair is listed with\n"
    "its line number. Without a SAVE, veskor asks for the name of one.\n"
    "\n"
    "Options, anywhere before -- (which ends them):\n"
    "  -c, --check    list the repairs each SAVE needs, and write nothing\n"
    "  -r, --replace  repair each SAVE in place, keeping the damaged one as\n"
    "                 SAVE.bak, or SAVE.bak2, SAVE.bak3... when that is taken\n"
    "  -h, --help     show this help (/? too)\n"
    "  -V, --version  show the version and the licence\n"
    "\n"
    "Exit codes: 0 done (with --check: every save is sound), 1 a save needs repair\n"
    "(--check only), 2 a save cannot be opened or read, 3 a copy cannot be created\n"
    "or written, a save cannot be replaced, or these messages cannot be written,\n"
    "4 a line is too long, 5 an unknown option, 9 out of memory. With several saves,\n"
    "the code of the first that failed.\n"
    "\n"
    "A save named like an option is reached as ./--help, or after --.\n";

static const char VERSION[] =
    "VESKOR " VESKOR_VERSION "\nCopyright (c) 2026 The VESKOR developers\n"
    "Licensed under the MIT licence.\n";

static const char CLOSEGAME[] =
    "Another program has the save open: close the game and try again.\n";

static const char UNSYNCED[] =
    "' is in place, but the disk did not confirm it; it may not survive a power cut\n";

// Which name a message shows.
enum shown { SHOW_NONE, SHOW_SAVE, SHOW_OUTPUT, SHOW_BACKUP };

// How an outcome is told: texts between the names they show, the words after the count of
// lines where one follows, and the exit code. A copy written and a check are worded as the
// page words them (report's closing lines).
struct wording {
    const char *text[3];
    shown names[2];
    const char *lines;
    int code;
};

// In the order of the outcomes.
static const wording WORDING[] = {
    {{"", "", ""}, {}, nullptr, EXIT_DONE},
    {{"", "", ""}, {}, nullptr, EXIT_DONE},
    {{"", "", ""}, {}, nullptr, EXIT_NEEDSREPAIR},
    {{"Replaced '", "' with its repair; the damaged save is now '", "'. "},
     {SHOW_SAVE, SHOW_BACKUP},
     " processed.\n",
     EXIT_DONE},
    {{"'", "' needs no repair; it is left as it was. ", ""},
     {SHOW_SAVE},
     " processed.\n",
     EXIT_DONE},
    {{"'", "' is the backup this run made; it is left as it was\n", ""},
     {SHOW_SAVE},
     nullptr,
     EXIT_DONE},
    {{"Can't open the file '", "'\n", ""}, {SHOW_SAVE}, nullptr, EXIT_NOREAD},
    {{"Can't open the file '", "'\n", CLOSEGAME}, {SHOW_SAVE}, nullptr, EXIT_NOREAD},
    {{"Out of memory\n", "", ""}, {}, nullptr, EXIT_NOMEMORY},
    {{"Can't read the file '", "'\n", ""}, {SHOW_SAVE}, nullptr, EXIT_NOREAD},
    {{"", "", ""}, {}, nullptr, EXIT_TOOLONG},
    {{"Can't create output file '", "'\n", ""}, {SHOW_OUTPUT}, nullptr, EXIT_NOWRITE},
    {{"Can't replace '", "': the earlier copy is read-only\n", ""},
     {SHOW_OUTPUT},
     nullptr,
     EXIT_NOWRITE},
    {{"Can't replace '", "': it is not a regular file\n", ""}, {SHOW_SAVE}, nullptr, EXIT_NOWRITE},
    {{"Can't replace '", "': the save is read-only\n", ""}, {SHOW_SAVE}, nullptr, EXIT_NOWRITE},
    {{"Can't write output file '", "'\n", ""}, {SHOW_OUTPUT}, nullptr, EXIT_NOWRITE},
    {{"The copy '", UNSYNCED, ""}, {SHOW_OUTPUT}, nullptr, EXIT_NOWRITE},
    {{"The repair of '", "' is in place, the damaged save now '",
      "', but the disk did not confirm it; it may not survive a power cut\n"},
     {SHOW_SAVE, SHOW_BACKUP},
     nullptr,
     EXIT_NOWRITE},
    {{"Can't keep the damaged save as '", "': that file already exists\n", ""},
     {SHOW_BACKUP},
     nullptr,
     EXIT_NOWRITE},
    {{"Can't replace '", "': it is a symbolic link\n", ""}, {SHOW_SAVE}, nullptr, EXIT_NOWRITE},
    {{"Can't replace '", "': this user may not replace it\n", ""},
     {SHOW_SAVE},
     nullptr,
     EXIT_NOWRITE},
    {{"Can't replace '", "'\n", CLOSEGAME}, {SHOW_SAVE}, nullptr, EXIT_NOWRITE},
    {{"Can't keep the damaged save as '", "': the name is too long\n", ""},
     {SHOW_BACKUP},
     nullptr,
     EXIT_NOWRITE},
};
static_assert(sizeof WORDING / sizeof WORDING[0] == OUT_GOING, "a wording for each outcome");

// Puts a piece of a message that names a file, the name shown safely.
static void putnamed(const char *before, const std::string &name, const char *after)
{
    conputs(before);
    conputname(name.c_str());
    conputs(after);
}

void tellprompt(bool welcome)
{
    if (welcome)
        conputs(WELCOME);
    conputs(PROMPT);
    conend();
}

void tellanswer(answerkind answer)
{
    conputs(answer == ANSWER_HELP ? USAGE : VERSION);
    conend();
}

void tellbadoptions(const std::string &unknown)
{
    if (unknown.empty())
        conputs("--check and --replace cannot be used together; veskor --help lists the "
                "options.\n");
    else
        putnamed("Unknown option '", unknown, "'; veskor --help lists the options.\n");
    conend();
}

void tellheading(const std::string &save, runmode mode)
{
    putnamed(mode == RUN_CHECK ? "Checking '" : "Repairing '", save, "'\n");
    conend();
}

// Words each repair on the console as the pass makes it.
static void tellrepair(void * /*ctx*/, const repair &r)
{
    char text[WORDROOM];
    conput(text, wordrepair(r, text));
    conend();
}

// Words a line too long, then lets the pass's messages leave.
static void tellend(void * /*ctx*/, passresult result, int64_t line)
{
    if (result == PASS_TOOLONG) {
        char text[WORDROOM];
        conput(text, wordoverflow(line, text));
        conend();
    }
    conflush();
}

events telling()
{
    return events{tellrepair, tellend, nullptr};
}

// The closing line of a copy written or of a check.
static void tellclosing(const std::string &save, const saverun &r)
{
    std::string text(WORDROOM + save.size() + r.output.size(), '\0');
    conput(text.data(), r.what == OUT_WRITTEN
                            ? worddone(r.output.data(), r.output.size(), r.done.lines, text.data())
                            : wordchecked(save.data(), save.size(), r.done, text.data()));
}

int tellrun(const std::string &save, const saverun &r)
{
    const wording &w = WORDING[r.what];
    const std::string *names[] = {nullptr, &save, &r.output, &r.backup};
    for (int i = 0; i < 3; i++) {
        conputs(w.text[i]);
        if (i < 2 && w.names[i] != SHOW_NONE)
            conputname(names[w.names[i]]->c_str());
    }
    if (r.what == OUT_WRITTEN || r.what == OUT_SOUND || r.what == OUT_NEEDSREPAIR)
        tellclosing(save, r);
    if (w.lines) {
        char count[48];
        conput(count, static_cast<size_t>(counttext(count, r.done.lines, "line") - count));
        conputs(w.lines);
    }
    if (!r.leftover.empty())
        putnamed("Can't delete output file '", r.leftover, "'\n");
    if (!r.leftbackup.empty())
        putnamed("Can't delete backup file '", r.leftbackup, "'\n");
    conend();
    return w.code;
}

void tellenter()
{
    conputs("Press ENTER to quit!\n");
    conend();
}
