// veskor: writes a repaired copy of a damaged Valdremar save file beside it.
#include "console.h"
#include "copyfile.h"
#include "linepass.h"
#include "names.h"
#include "options.h"
#include "report.h"
#include "sys.h"

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The exit codes.
enum {
    EXIT_DONE = 0,
    EXIT_NEEDSREPAIR = 1,
    EXIT_NOREAD = 2,
    EXIT_NOWRITE = 3,
    EXIT_TOOLONG = 4,
    EXIT_BADOPTION = 5,
    EXIT_NOMEMORY = 9
};

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

// Puts a piece of a message that names a file, the name shown safely.
static void putnamed(const char *before, const std::string &name, const char *after)
{
    conputs(before);
    conputname(name.c_str());
    conputs(after);
}

// Prints a message that names a file.
static void saynamed(const char *before, const std::string &name, const char *after)
{
    putnamed(before, name, after);
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

// Reads for the pass from the stream ctx; the messages of the window before leave first.
static long readstream(void *ctx, char *buf, size_t size)
{
    conflush();
    size_t n = std::fread(buf, 1, size, static_cast<FILE *>(ctx));
    return std::ferror(static_cast<FILE *>(ctx)) ? -1 : static_cast<long>(n);
}

static bool writestream(void *ctx, const char *buf, size_t size)
{
    return std::fwrite(buf, 1, size, static_cast<FILE *>(ctx)) == size;
}

// Words each repair on the console as the pass makes it.
static void tellrepair(void *, const repair &r)
{
    char text[WORDROOM];
    conput(text, wordrepair(r, text));
    conend();
}

// Words a line too long, then lets the pass's messages leave.
static void tellend(void *, passresult result, int64_t line)
{
    char text[WORDROOM];
    if (result == PASS_TOOLONG) {
        conput(text, wordoverflow(line, text));
        conend();
    }
    conflush();
}

// Obtains the buffers and runs the pass over the two files, counting into *done; a null out
// writes nothing.
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
    if (out)
        std::setvbuf(out, nullptr, _IONBF, 0);
    passresult r =
        fixfile(reader{readstream, in}, byteout{out ? writestream : nullptr, out},
                events{tellrepair, tellend, nullptr}, passmemory{line, held, outbuf}, done);
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

// Runs the pass over save, open as in, into out (null: nothing is written), and checks that
// the save did not change meanwhile; gives the exit code.
static int readsave(FILE *in, FILE *out, const std::string &save, const filestamp &before,
                    repairs *r)
{
    int code = runpass(in, out, r);
    return code == EXIT_DONE && changed(in, save, before) ? EXIT_NOREAD : code;
}

// Tells why the pass over save failed; copy names the file that could not be written.
static void saypassfail(int code, const std::string &save, const std::string &copy)
{
    if (code == EXIT_NOMEMORY)
        conputs("Out of memory\n");
    if (code == EXIT_NOREAD)
        saynamed("Can't read the file '", save, "'\n");
    if (code == EXIT_NOWRITE)
        saynamed("Can't write output file '", copy, "'\n");
    conend();
}

// Removes the temporary file, and tells when it stays.
static void dropcopy(copyfile *c)
{
    if (!discardcopy(c))
        saynamed("Can't delete output file '", c->temp, "'\n");
}

// Ends a failed run: the failure is told, and the temporary file goes.
static int fail(copyfile *c, int code, const std::string &save)
{
    saypassfail(code, save, c->name);
    dropcopy(c);
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
    code = readsave(in, copy.fp, save, before, &done);
    std::fclose(in);
    if (code != EXIT_DONE)
        return fail(&copy, code, save);
    return finish(&copy, before, done.lines);
}

// Opens the save and takes its stamp; null, the failure told and *code set, when it
// cannot be read.
static FILE *openstamped(const std::string &save, filestamp *before, int *code)
{
    FILE *in = opensave(save, code);
    if (!in || stampfile(in, before))
        return in;
    std::fclose(in);
    saynamed("Can't read the file '", save, "'\n");
    *code = EXIT_NOREAD;
    return nullptr;
}

// The closing line of a check: what the save needs, and its lines.
static void saychecked(const std::string &save, const repairs &r)
{
    putnamed("'", save, needsrepair(r) ? "' needs repair: " : "' needs no repair. ");
    if (needsrepair(r)) {
        conputnum(r.scrubbed);
        conputs(" non-printable characters, ");
        conputnum(r.merged);
        conputs(" merged lines, ");
        conputnum(r.requoted);
        conputs(" embedded double quotes, ");
        conputnum(r.closed);
        conputs(" trailing double quotes. ");
    }
    conputnum(r.lines);
    conputs(" lines checked.\n");
    conend();
}

// Reads one save and lists what it needs, writing nothing; gives the exit code.
static int checkone(const std::string &save)
{
    filestamp before{};
    int code = EXIT_DONE;
    FILE *in = openstamped(save, &before, &code);
    if (!in)
        return code;
    repairs r{};
    code = readsave(in, nullptr, save, before, &r);
    std::fclose(in);
    if (code != EXIT_DONE) {
        saypassfail(code, save, save);
        return code;
    }
    saychecked(save, r);
    return needsrepair(r) ? EXIT_NEEDSREPAIR : EXIT_DONE;
}

// Refuses to put a backup where a file stands already.
static int saytaken(const std::string &backup)
{
    saynamed("Can't keep the damaged save as '", backup, "': that file already exists\n");
    return EXIT_NOWRITE;
}

// Puts the repaired copy in the place of save, open as in, which stays as backup; gives the
// exit code.
static int swapsave(copyfile *copy, FILE *in, const filestamp &before, const std::string &backup,
                    int64_t lines)
{
    swapresult r = swapcopy(copy, before.mode, in, backup);
    if (r == SWAP_TAKEN) {
        dropcopy(copy);
        return saytaken(backup);
    }
    if (r == SWAP_UNSYNCED) {
        saynamed("The repair of '", copy->name,
                 "' is in place, but the disk did not confirm it; it may not survive a power "
                 "cut\n");
        return EXIT_NOWRITE;
    }
    if (r != SWAP_DONE)
        return fail(copy, r == SWAP_CHANGED ? EXIT_NOREAD : EXIT_NOWRITE, copy->name);
    putnamed("Replaced '", copy->name, "' with its repair; ");
    putnamed("the damaged save is now '", backup, "'. ");
    conputnum(lines);
    conputs(" lines processed.\n");
    conend();
    return EXIT_DONE;
}

// Whether save, open as in, may be replaced and kept as a backup; when not, tells why and
// closes in. A backup there already is met only once the save needs repair, so that a sound
// save beside one is still told sound.
static bool replaceable(FILE *in, const filestamp &before, const std::string &save)
{
    // A pipe's bytes are gone once read, and a device is no save: neither leaves bytes to keep.
    if (!before.regular)
        saynamed("Can't replace '", save, "': it is not a regular file\n");
    else if (readonly(save.c_str()))
        saynamed("Can't replace '", save, "': the save is read-only\n");
    else
        return true;
    std::fclose(in);
    return false;
}

// Repairs one save in place, the damaged save kept beside it as <save>.bak, or leaves a sound
// one as it is; gives the exit code.
static int replaceone(const std::string &save)
{
    filestamp before{};
    copyfile copy;
    std::string backup = save + ".bak";
    int code = EXIT_DONE;
    FILE *in = openstamped(save, &before, &code);
    if (!in)
        return code;
    if (!replaceable(in, before, save))
        return EXIT_NOWRITE;
    if (!opencopy(&copy, save)) {
        std::fclose(in);
        saynamed("Can't create output file '", save, "'\n");
        return EXIT_NOWRITE;
    }
    repairs r{};
    code = readsave(in, copy.fp, save, before, &r);
    if (code == EXIT_DONE && needsrepair(r))
        return swapsave(&copy, in, before, backup, r.lines);
    std::fclose(in);
    if (code != EXIT_DONE)
        return fail(&copy, code, save);
    dropcopy(&copy);
    putnamed("'", save, "' needs no repair; it is left as it was. ");
    conputnum(r.lines);
    conputs(" lines processed.\n");
    conend();
    return EXIT_DONE;
}

// Answers a run that sees to no save: the help, the version, or options refused. False when
// the saves are next; *code is the exit code.
static bool answered(const settings &s, int *code)
{
    *code = EXIT_DONE;
    if (s.answer) {
        conputs(s.answer);
    } else if (!s.unknown.empty()) {
        saynamed("Unknown option '", s.unknown, "'; veskor --help lists the options.\n");
        *code = EXIT_BADOPTION;
    } else if (s.check && s.replace) {
        conputs("--check and --replace cannot be used together; veskor --help lists the "
                "options.\n");
        *code = EXIT_BADOPTION;
    } else {
        return false;
    }
    conend();
    return true;
}

// Prompt mode: the save named at the prompt is the run's one save. False when the player
// chose to leave.
static bool asksave(settings *s)
{
    std::string name;
    s->asked = askname(&name);
    if (s->asked)
        s->saves.push_back(name);
    return s->asked;
}

// Which of the saves may not be repaired into a copy, found before anything is written:
// those whose copy would replace a file named as a save.
static std::vector<bool> clashes(const std::vector<std::string> &saves)
{
    std::set<std::pair<uint64_t, uint64_t>> named;
    std::vector<bool> clash(saves.size());
    filestamp st;
    for (const std::string &save : saves)
        if (stampname(save.c_str(), &st))
            named.insert({st.volume, st.number});
    for (size_t i = 0; i < saves.size(); i++)
        clash[i] =
            stampname(copyname(saves[i]).c_str(), &st) && named.count({st.volume, st.number}) != 0;
    return clash;
}

// Sees to one save as the options ask: a check, a repair in place, or a repaired copy,
// refused when it would replace a file named as a save (clash).
static int runone(const settings &s, const std::string &save, bool clash)
{
    if (s.check)
        return checkone(save);
    if (s.replace)
        return replaceone(save);
    return clash ? refuse(copyname(save)) : fixone(save);
}

// Sees to each save in turn, each as a run of its own and, when there are several, under
// its name; gives the code of the first that failed, else 1 when one needs repair.
static int fixall(const settings &s)
{
    int code = EXIT_DONE;
    std::vector<bool> clash = clashes(s.saves);
    for (size_t i = 0; i < s.saves.size(); i++) {
        if (s.saves.size() > 1)
            saynamed(s.check ? "Checking '" : "Repairing '", s.saves[i], "'\n");
        int one = runone(s, s.saves[i], clash[i]);
        code = code > EXIT_NEEDSREPAIR || one == EXIT_DONE ? code : one;
    }
    return code;
}

int main(int argc, char **argv)
{
    sysinit(&argc, &argv);
    settings s{};
    readargs(argc, argv, &s);
    std::string answer;
    int code = EXIT_DONE;
    bool left = false;
    if (answered(s, &code))
        ;
    else if (s.saves.empty() && !asksave(&s))
        left = true; // the player chose to leave
    else
        code = fixall(s);
    // A window of its own closes when the program ends: it waits for the player to read.
    if (!left && ((s.asked && code <= EXIT_NEEDSREPAIR) || ownconsole())) {
        conputs("Press ENTER to quit!\n");
        conend();
        dropinput(); // a key pressed during the run must not close the window unread
        readline(&answer);
    }
    conflush();
    return code;
}
