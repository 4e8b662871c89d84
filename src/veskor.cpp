// veskor: writes a repaired copy of a damaged Valdremar save file beside it.
#include "cleanup.h"
#include "console.h"
#include "linepass.h"
#include "messages.h"
#include "names.h"
#include "options.h"
#include "run.h"
#include "sys.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

// What a signal or CTRL+C does before the run ends: the unfinished files go, and the messages
// gathered so far leave where they still can.
static void stopped(bool speak)
{
    size_t n;
    const char *text = congathered(&n);
    removeguarded();
    if (speak)
        conwrite(text, n);
}

// Whether a file of that name can be opened for reading.
static bool opens(const std::string &name)
{
    FILE *f = openread(name.c_str());
    if (f)
        std::fclose(f);
    return f != nullptr;
}

// Reads the player's answer, once every message before it has left, as the ways it may be
// read, the likeliest first.
static bool answerline(std::vector<std::string> *readings)
{
    conflush();
    return readline(readings);
}

// The name an answer gives: its line end dropped, and a name pasted in quotes taken from
// inside them, unless it opens as it stands.
static std::string nameof(std::string answer)
{
    answer.resize(stripend(answer.data(), answer.size()));
    std::string inside = unquote(answer);
    return !inside.empty() && !opens(answer) ? inside : answer;
}

// Prompt mode: asks for the save file's name, of the ways the answer may be read the first
// whose name opens, else the likeliest. False when the answer is empty or missing.
static bool askname(std::string *name)
{
    tellprompt(!opens("autosave.vld"));
    std::vector<std::string> readings;
    if (!answerline(&readings))
        return false;
    *name = nameof(readings[0]);
    for (size_t i = 1; i < readings.size() && !opens(*name); i++)
        if (opens(nameof(readings[i])))
            *name = nameof(readings[i]);
    return !name->empty();
}

// Prompt mode: the save named at the prompt is the run's one save. False when the player
// chose to leave.
static bool asksave(settings *s)
{
    std::string name;
    if (!askname(&name))
        return false;
    s->saves.push_back(name);
    return true;
}

// Answers a run that sees to no save: options refused (an unknown one wherever it stands,
// help or not), the help, or the version. False when the saves are next; *code is the exit
// code.
static bool answered(const settings &s, int *code)
{
    bool refused = !s.unknown.empty() || (s.answer == ANSWER_NONE && s.check && s.replace);
    *code = refused ? EXIT_BADOPTION : EXIT_DONE;
    if (refused)
        tellbadoptions(s.unknown);
    else if (s.answer != ANSWER_NONE)
        tellanswer(s.answer);
    return refused || s.answer != ANSWER_NONE;
}

// Files, each as the pair that no two files share.
using fileset = std::set<std::pair<uint64_t, uint64_t>>;

// Adds the file that name leads to, if any, to *files.
static void addfile(fileset *files, const std::string &name)
{
    filestamp st;
    if (stampname(name.c_str(), &st))
        files->insert({st.volume, st.number});
}

// Whether name leads to one of files.
static bool hasfile(const fileset &files, const std::string &name)
{
    filestamp st;
    return stampname(name.c_str(), &st) && files.count({st.volume, st.number});
}

// Which of the saves may not be repaired into a copy, found before anything is written:
// those whose copy would replace a file named as a save.
static std::vector<bool> clashes(const std::vector<std::string> &saves)
{
    fileset named;
    std::vector<bool> clash(saves.size());
    for (const std::string &save : saves)
        addfile(&named, save);
    for (size_t i = 0; i < saves.size(); i++)
        clash[i] = hasfile(named, copyof(saves[i]));
    return clash;
}

// Sees to each save in turn, each as a run of its own and, when there are several, under
// its name; gives the code of the first that failed, else 1 when one needs repair. A backup
// made in the run is never taken as a save.
static int runall(const settings &s)
{
    runmode mode = s.check ? RUN_CHECK : s.replace ? RUN_REPLACE : RUN_FIX;
    std::vector<bool> clash = clashes(s.saves);
    fileset backups;
    int code = EXIT_DONE;
    for (size_t i = 0; i < s.saves.size(); i++) {
        if (s.saves.size() > 1)
            tellheading(s.saves[i], mode);
        outcome refused = mode == RUN_FIX && clash[i]    ? OUT_NOCREATE
                          : hasfile(backups, s.saves[i]) ? OUT_OWNBACKUP
                                                         : OUT_GOING;
        saverun r = runsave(s.saves[i], mode, refused, telling());
        if (r.what == OUT_REPLACED || r.what == OUT_REPAIRUNSYNCED)
            addfile(&backups, r.backup);
        int one = tellrun(s.saves[i], r);
        code = code > EXIT_NEEDSREPAIR || one == EXIT_DONE ? code : one;
    }
    return code;
}

int main(int argc, char **argv)
{
    consetup(openconsole());
    onstop(stopped);
    readsysargs(&argc, &argv, wildkeeps);
    settings s{};
    readargs(argc, argv, slashoptions, &s);
    int code = EXIT_DONE;
    bool asked = false, left = false;
    if (answered(s, &code))
        ;
    else if (s.saves.empty() && !(asked = asksave(&s)))
        left = true; // the player chose to leave
    else
        code = runall(s);
    // A window of its own closes when the program ends: it waits for the player to read.
    if (!left && ((asked && code <= EXIT_NEEDSREPAIR) || ownconsole())) {
        tellenter();
        dropinput(); // a key pressed during the run must not close the window unread
        std::vector<std::string> answer;
        answerline(&answer);
    }
    conflush();
    // A report that did not reach the player fails the run, whatever became of the saves.
    return conlost() ? EXIT_NOWRITE : code;
}
