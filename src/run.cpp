#include "run.h"

#include "console.h"
#include "copyfile.h"
#include "names.h"
#include "sys.h"

#include <cstdlib>

std::string copyof(const std::string &save)
{
    return copyname(longname(save), dirseps);
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

// Refuses at once what a repair in place cannot replace safely: a symbolic link (the file
// it leads to may be anyone's, and its backup would be made beside the link), a read-only
// save, and one whose backup's name is too long.
static outcome lookfirst(runmode mode, const std::string &save, const std::string &backup)
{
    if (mode != RUN_REPLACE)
        return OUT_GOING;
    namekind kind = lookname(save.c_str());
    if (kind == NAME_LINK)
        return OUT_LINK;
    if (kind == NAME_READONLY)
        return OUT_SAVEREADONLY;
    return lookname(backup.c_str()) == NAME_TOOLONG ? OUT_BACKUPTOOLONG : OUT_GOING;
}

// Opens the save (plain: as openread's plain, which a pipe without a writer cannot keep
// waiting) and takes its stamp.
static outcome opensave(const std::string &save, bool plain, FILE **in, filestamp *before)
{
    openwhy why = OPEN_FAILED;
    *in = openread(save.c_str(), &why, plain);
    if (!*in)
        return why == OPEN_NOMEMORY ? OUT_NOMEMORY : why == OPEN_HELD ? OUT_HELD : OUT_NOOPEN;
    return stampfile(*in, before) ? OUT_GOING : OUT_NOREAD;
}

// Makes the output mode asks for: none for a check; for a repair, a temporary file beside the
// copy, refused where an earlier copy stands that the system will not let it replace, or
// where the copy's name leads to the save; in place, one beside the save, refused when the
// save could not be kept as a backup.
static outcome openoutput(runmode mode, FILE *in, const filestamp &before, const std::string &name,
                          copyfile *out)
{
    if (mode == RUN_CHECK)
        return OUT_GOING;
    if (mode == RUN_FIX && lookname(name.c_str()) == NAME_READONLY)
        return OUT_COPYREADONLY;
    // A pipe's bytes are gone once read, and a device is no save: neither leaves bytes to keep.
    if (mode == RUN_REPLACE && !before.regular)
        return OUT_NOTREGULAR;
    return (mode == RUN_FIX && leadsto(name, in)) || !opencopy(out, name) ? OUT_NOCREATE
                                                                          : OUT_GOING;
}

// Runs the pass over the save, open as in, into out (null: nothing is written), counting into
// *done. The pass's memory is one block, obtained whole or not at all.
static outcome runpass(FILE *in, FILE *out, const events &tell, repairs *done)
{
    char *memory = static_cast<char *>(std::malloc(LINEWINDOW + LINEBUF + WRITEBUF));
    if (!memory)
        return OUT_NOMEMORY;
    // The pass reads whole blocks into its own buffer and gathers its small writes itself,
    // so neither stream needs one.
    std::setvbuf(in, nullptr, _IONBF, 0);
    if (out)
        std::setvbuf(out, nullptr, _IONBF, 0);
    passresult r =
        fixfile(reader{readstream, in}, byteout{out ? writestream : nullptr, out}, tell,
                passmemory{memory, memory + LINEWINDOW, memory + LINEWINDOW + LINEBUF}, done);
    std::free(memory);
    return r == PASS_DONE       ? OUT_GOING
           : r == PASS_TOOLONG  ? OUT_TOOLONG
           : r == PASS_READFAIL ? OUT_NOREAD
                                : OUT_NOWRITE;
}

// Whether the save, open as in, is still what was read: the game may have rewritten,
// extended or replaced it meanwhile. Pipes and devices have nothing to compare.
static bool unchanged(FILE *in, const std::string &save, const filestamp &before)
{
    filestamp read;
    if (!before.regular)
        return true;
    // A game that saves anew renames a new file over the old one: the name is what counts.
    return stampfile(in, &read) && read.offset <= before.size && stillnamed(save, before);
}

// Keeps the save, open as in, as a backup where a repair in place has repairs to make.
static outcome keepsave(copyfile *out, FILE *in, const filestamp &before, saverun *r)
{
    // In the order of keepresult.
    static const outcome KEPT[] = {OUT_GOING,   OUT_TAKEN,  OUT_NOREAD,
                                   OUT_NOWRITE, OUT_DENIED, OUT_INUSE};
    return KEPT[keepbackup(out, in, before, &r->backup)];
}

// Puts the output in place, the save closed; a repair in place that found nothing to repair
// leaves the save as it was.
static outcome commit(runmode mode, copyfile *out, const filestamp &before, const repairs &done)
{
    if (mode == RUN_CHECK)
        return needsrepair(done) ? OUT_NEEDSREPAIR : OUT_SOUND;
    if (mode == RUN_REPLACE && !needsrepair(done))
        return OUT_LEFT;
    // A device or a pipe has no permission bits a copy should take over.
    commitresult placed = mode == RUN_REPLACE
                              ? placecopy(out)
                              : commitcopy(out, before.regular ? before.mode : newmode());
    if (placed == COMMIT_UNSYNCED)
        return mode == RUN_REPLACE ? OUT_REPAIRUNSYNCED : OUT_COPYUNSYNCED;
    if (placed == COMMIT_FAILED)
        return OUT_NOWRITE;
    return mode == RUN_REPLACE ? OUT_REPLACED : OUT_WRITTEN;
}

saverun runsave(const std::string &save, runmode mode, outcome refused, const events &tell)
{
    // The backup goes beside the save's long name, and the repair takes that name.
    std::string whole = longname(save);
    saverun r{OUT_GOING, {}, mode == RUN_FIX ? copyof(save) : whole, backupname(whole), "", ""};
    copyfile out{};
    FILE *in = nullptr;
    filestamp before{};
    r.what = refused != OUT_GOING ? refused : lookfirst(mode, save, r.backup);
    if (r.what == OUT_GOING)
        r.what = opensave(save, mode == RUN_REPLACE, &in, &before);
    if (r.what == OUT_GOING)
        r.what = openoutput(mode, in, before, r.output, &out);
    if (r.what == OUT_GOING)
        r.what = runpass(in, out.fp, tell, &r.done);
    if (r.what == OUT_GOING && !unchanged(in, save, before))
        r.what = OUT_NOREAD;
    if (r.what == OUT_GOING && mode == RUN_REPLACE && needsrepair(r.done))
        r.what = keepsave(&out, in, before, &r);
    // The one place the save is closed: before its repair takes its name.
    if (in)
        std::fclose(in);
    if (r.what == OUT_GOING)
        r.what = commit(mode, &out, before, r.done);
    // Whatever is left unfinished goes: a failed output, or that of a sound save.
    if (!discardcopy(&out))
        r.leftover = out.temp;
    r.leftbackup = out.backup;
    return r;
}
