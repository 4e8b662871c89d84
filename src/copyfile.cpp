#include "copyfile.h"

#include "cleanup.h"
#include "names.h"

#include <random>

// The most backups a save keeps beside it: name.bak, name.bak2, ... name.bak999.
static const int MAXBACKUPS = 999;

// A tag for a temporary file's name that differs between runs and between calls.
static uint64_t tag()
{
    std::random_device random;
    return (static_cast<uint64_t>(random()) << 32) | random();
}

// Creates the new file name, guarded as which from the moment it is made: a stop waits
// meanwhile. *clash tells that something stood there already; null, with *clash false, too
// when the name could not be guarded.
static FILE *createguarded(const std::string &name, guarded which, bool *clash)
{
    *clash = false;
    if (!guardready(which, name.c_str()))
        return nullptr;
    holdstops(true);
    FILE *f = createnew(name.c_str(), clash);
    if (f)
        guardset(which);
    holdstops(false);
    return f;
}

// Creates a new temporary file beside name, guarded as which, its name in *temp; null when
// none can be created or guarded.
static FILE *createtemp(const std::string &name, guarded which, std::string *temp)
{
    FILE *f = nullptr;
    bool clash = true;
    // Another run, or an old leftover, may hold a name: try others.
    for (int tries = 0; !f && clash && tries < 100; tries++) {
        *temp = tempname(name, tag(), dirseps);
        f = createguarded(*temp, which, &clash);
    }
    return f;
}

bool opencopy(copyfile *c, const std::string &name)
{
    *c = copyfile{name, "", "", nullptr};
    // A folder under the name would refuse the finished copy: no pass is made for nothing.
    if (lookname(name.c_str()) != NAME_FOLDER)
        c->fp = createtemp(name, GUARD_TEMP, &c->temp);
    if (!c->fp)
        c->temp.clear();
    return c->fp != nullptr;
}

// Puts the copy's bytes on the disk, with old's owner where there is an old, and the
// permission bits mode, and closes it; false when a step failed.
static bool closecopy(copyfile *c, unsigned mode, FILE *old)
{
    bool ok = syncfile(c->fp);
    // The game, run by the save's owner, must still read it.
    ok = (!old || copyowner(c->fp, old)) && ok;
    ok = copymode(c->fp, mode) && ok;
    ok = std::fclose(c->fp) == 0 && ok;
    c->fp = nullptr;
    return ok;
}

commitresult placecopy(copyfile *c)
{
    if (!replacefile(c->temp.c_str(), c->name.c_str()))
        return COMMIT_FAILED;
    guardclear(GUARD_TEMP);
    guardclear(GUARD_BACKUP);
    c->temp.clear();
    c->backup.clear(); // it holds the damaged save now: it stays
    return syncdir(c->name.c_str()) ? COMMIT_DONE : COMMIT_UNSYNCED;
}

commitresult commitcopy(copyfile *c, unsigned mode)
{
    return closecopy(c, mode, nullptr) ? placecopy(c) : COMMIT_FAILED;
}

bool leadsto(const std::string &name, FILE *f)
{
    filestamp named, open;
    return stampname(name.c_str(), &named) && stampfile(f, &open) && named.volume == open.volume &&
           named.number == open.number;
}

bool stillnamed(const std::string &name, const filestamp &st)
{
    filestamp named;
    return stampname(name.c_str(), &named) && named.volume == st.volume &&
           named.number == st.number && named.size == st.size && named.mtime == st.mtime &&
           named.ctime == st.ctime;
}

// Writes the bytes of from, from its start, to f; false when a read or a write failed.
static bool copyall(FILE *from, FILE *f)
{
    static char block[1 << 16];
    bool ok = std::fseek(from, 0, SEEK_SET) == 0;
    for (size_t n = 1; ok && n > 0;) {
        n = std::fread(block, 1, sizeof block, from);
        ok = std::fwrite(block, 1, n, f) == n && !std::ferror(from);
    }
    return ok;
}

// Keeps the bytes of from under the free name to, for a file system without second names:
// the name taken first by a new empty file, so that no one's file is ever replaced, then
// the bytes written to a temporary file, put on the disk with mode and renamed over it. A run
// stopped part-way leaves the name empty, never half a save.
static linkresult copybytes(FILE *from, const std::string &to, unsigned mode)
{
    bool clash = false;
    FILE *mark = createguarded(to, GUARD_BACKUP, &clash);
    if (!mark)
        return clash ? LINK_TAKEN : LINK_FAILED;
    std::string temp;
    FILE *f = createtemp(to, GUARD_BYTES, &temp);
    bool ok = std::fclose(mark) == 0 && f && copyall(from, f) && syncfile(f) && copymode(f, mode);
    ok = f && std::fclose(f) == 0 && ok && replacefile(temp.c_str(), to.c_str());
    guardclear(GUARD_BYTES);
    if (f && !ok)
        removefile(temp.c_str());
    if (!ok) {
        guardclear(GUARD_BACKUP);
        removefile(to.c_str());
    }
    return ok ? LINK_MADE : LINK_FAILED;
}

// Keeps old, the file under name, under the first free name of its backups, *backup.
static linkresult keepold(const std::string &name, FILE *old, unsigned mode, std::string *backup)
{
    linkresult r = LINK_TAKEN;
    for (int n = 1; r == LINK_TAKEN && n <= MAXBACKUPS; n++) {
        *backup = backupname(name, n);
        if (!guardready(GUARD_BACKUP, backup->c_str()))
            return LINK_FAILED;
        holdstops(true);
        r = linkfile(name.c_str(), backup->c_str());
        if (r == LINK_MADE)
            guardset(GUARD_BACKUP);
        holdstops(false);
        if (r == LINK_UNSUPPORTED)
            r = copybytes(old, *backup, mode);
    }
    return r;
}

keepresult keepbackup(copyfile *c, FILE *old, const filestamp &before, std::string *backup)
{
    replacekind may = mayreplace(c->name.c_str());
    if (may != REPLACE_FREE)
        return may == REPLACE_HELD ? KEEP_HELD : KEEP_DENIED;
    if (!closecopy(c, before.mode, old))
        return KEEP_FAILED;
    // The game may have saved meanwhile, during the long sync too.
    if (!stillnamed(c->name, before))
        return KEEP_CHANGED;
    linkresult r = keepold(c->name, old, before.mode, backup);
    if (r == LINK_MADE)
        c->backup = *backup;
    if (r == LINK_TAKEN)
        return KEEP_TAKEN;
    if (r != LINK_MADE || !syncdir(backup->c_str()))
        return KEEP_FAILED;
    // And just before the backup was made: a second name changes the file's change time,
    // but neither its size nor its modification time.
    filestamp now;
    bool same = stampfile(old, &now) && now.size == before.size && now.mtime == before.mtime &&
                stillnamed(c->name, now);
    return same ? KEEP_DONE : KEEP_CHANGED;
}

bool discardcopy(copyfile *c)
{
    if (c->fp)
        std::fclose(c->fp);
    c->fp = nullptr;
    if (!c->backup.empty()) {
        guardclear(GUARD_BACKUP);
        if (removefile(c->backup.c_str()))
            c->backup.clear();
    }
    bool gone = c->temp.empty() || removefile(c->temp.c_str());
    guardclear(GUARD_TEMP);
    return gone;
}
