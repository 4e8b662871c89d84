// The page's side of the pass, in WebAssembly: the page's worker gives it a save in slices
// and keeps the pieces of the copy, and reads the report, worded as the console program
// words it, from memory once the pass has ended.
#include "linepass.h"
#include "report.h"

// What the worker gives the pass: the save's next bytes, as a reader's read, and a place for
// each piece of the copy (false when it cannot be kept).
extern "C" __attribute__((import_module("page"), import_name("readsave"))) long
readsave(char *buf, size_t size);
extern "C" __attribute__((import_module("page"), import_name("keepcopy"))) bool
keepcopy(const char *buf, size_t size);

// The repairs listed in full; those after them are only counted.
const size_t LISTED = 500;
// Room for the names of the save and of the copy, in UTF-8.
const size_t NAMEROOM = 2048;

static char line[LINEWINDOW], held[LINEBUF], out[WRITEBUF];
static char names[NAMEROOM];
// The report: the repairs listed, then the end of the pass and the closing line.
static char text[LISTED * WORDROOM + 2 * WORDROOM + NAMEROOM];

struct report {
    size_t len;       // bytes of text
    size_t listlen;   // bytes of the repairs listed
    size_t listed;    // repairs listed
    int64_t unlisted; // repairs after them
    bool needed;      // the save needs repair
};
static report told;

static long readin(void * /*ctx*/, char *buf, size_t size)
{
    return readsave(buf, size);
}

static bool writeout(void * /*ctx*/, const char *buf, size_t size)
{
    return keepcopy(buf, size);
}

static void tellrepair(void * /*ctx*/, const repair &r)
{
    if (told.listed == LISTED) {
        told.unlisted++;
        return;
    }
    told.len += wordrepair(r, text + told.len);
    told.listlen = told.len;
    told.listed++;
}

static void tellend(void * /*ctx*/, passresult result, int64_t lineno)
{
    if (result == PASS_TOOLONG)
        told.len += wordoverflow(lineno, text + told.len);
}

// Words the closing line of a pass that did not stop at a line too long, naming the save
// (savelen bytes at names) or the copy (the copylen bytes after it).
static size_t wordclose(passresult result, bool check, const repairs &r, size_t savelen,
                        size_t copylen)
{
    char *to = text + told.len;
    const char *copy = names + savelen;
    if (result == PASS_DONE)
        return check ? wordchecked(names, savelen, r, to) : worddone(copy, copylen, r.lines, to);
    return result == PASS_READFAIL ? wordfailed(result, names, savelen, to)
                                   : wordfailed(result, copy, copylen, to);
}

// Where the worker puts the names of the save and of the copy, one after the other, and
// their room in bytes.
extern "C" __attribute__((export_name("nameroom"))) char *nameroom()
{
    return names;
}

extern "C" __attribute__((export_name("namesize"))) size_t namesize()
{
    return NAMEROOM;
}

// Runs the pass over the save the worker gives, keeping a copy unless check; the names at
// nameroom take savelen and copylen bytes. Gives how it ended, a passresult.
extern "C" __attribute__((export_name("fix"))) int fix(size_t savelen, size_t copylen, bool check)
{
    told = report{};
    repairs r{};
    passresult result =
        fixfile(reader{readin, nullptr}, byteout{check ? nullptr : writeout, nullptr},
                events{tellrepair, tellend, nullptr}, passmemory{line, held, out}, &r);
    savelen = savelen < NAMEROOM ? savelen : NAMEROOM;
    copylen = copylen < NAMEROOM - savelen ? copylen : NAMEROOM - savelen;
    if (result != PASS_TOOLONG)
        told.len += wordclose(result, check, r, savelen, copylen);
    told.needed = needsrepair(r);
    return result;
}

// The report of the last pass: its text, the bytes of its repairs listed, the repairs not
// listed, and whether the save needs repair.
extern "C" __attribute__((export_name("reporttext"))) const char *reporttext()
{
    return text;
}

extern "C" __attribute__((export_name("reportlen"))) size_t reportlen()
{
    return told.len;
}

extern "C" __attribute__((export_name("listlen"))) size_t listlen()
{
    return told.listlen;
}

extern "C" __attribute__((export_name("unlisted"))) double unlisted()
{
    return static_cast<double>(told.unlisted);
}

extern "C" __attribute__((export_name("needed"))) bool needed()
{
    return told.needed;
}
