#include "copyfile.h"

#include "cleanup.h"
#include "names.h"
#include "sys.h"

#include <random>

// A tag for a temporary file's name that differs between runs and between calls.
static uint64_t tag()
{
    std::random_device random;
    return (static_cast<uint64_t>(random()) << 32) | random();
}

// Creates a new temporary file beside name, guarded as which, its name in *temp; null when
// none can be created or guarded.
static FILE *createtemp(const std::string &name, guarded which, std::string *temp)
{
    FILE *f = nullptr;
    bool clash = true;
    std::string tried;
    // Another run, or an old leftover, may hold a name: try others.
    for (int tries = 0; !f && clash && tries < 100; tries++) {
        tried = tempname(name, tag(), dirseps);
        if (!guardready(which, tried.c_str()))
            return nullptr;
        f = createnew(tried.c_str(), &clash);
    }
    if (f) {
        guardset(which);
        *temp = tried;
    }
    return f;
}

bool opencopy(copyfile *c, const std::string &name)
{
    *c = copyfile{name, "", "", nullptr};
    // A folder under the name would refuse the finished copy: no pass is made for nothing.
    if (lookname(name.c_str()) != NAME_FOLDER)
        c->fp = createtemp(name, GUARD_TEMP, &c->temp);
    return c->fp != nullptr;
}

// Puts the copy's bytes on the disk, with old's owner where there is an old, and the
// permission bits mode, and closes it; false when a step failed.
static bool closecopy(copyfile *c, unsigned mode, FILE *old)
{
    bool ok = syncfile(c->fp);
    if (old)
        copyowner(c->fp, old); // the game, run by the save's owner, must still read it
    copymode(c->fp, mode);
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

// Writes the bytes of from, from its start, to a new file that takes the free name to only
// once it is whole and on the disk with mode: a run stopped part-way leaves no part of it
// there.
static linkresult copybytes(FILE *from, const std::string &to, unsigned mode)
{
    static char block[1 << 16];
    std::string temp;
    FILE *f = createtemp(to, GUARD_BACKUP, &temp);
    if (!f)
        return LINK_FAILED;
    bool ok = std::fseek(from, 0, SEEK_SET) == 0;
    for (size_t n = 1; ok && n > 0;) {
        n = std::fread(block, 1, sizeof block, from);
        ok = std::fwrite(block, 1, n, f) == n && !std::ferror(from);
    }
    ok = ok && syncfile(f);
    copymode(f, mode);
    ok = std::fclose(f) == 0 && ok;
    linkresult r = ok && guardready(GUARD_BACKUP, to.c_str()) ? renamenew(temp.c_str(), to.c_str())
                                                              : LINK_FAILED;
    if (r == LINK_MADE) {
        guardset(GUARD_BACKUP);
    } else {
        guardclear(GUARD_BACKUP);
        removefile(temp.c_str());
    }
    return r;
}

// Keeps old, the file under name, under the free name backup too.
static linkresult keepold(const std::string &name, FILE *old, const std::string &backup,
                          unsigned mode)
{
    linkresult r = guardready(GUARD_BACKUP, backup.c_str()) ? linkfile(name.c_str(), backup.c_str())
                                                            : LINK_FAILED;
    if (r == LINK_MADE)
        guardset(GUARD_BACKUP);
    if (r == LINK_UNSUPPORTED)
        r = copybytes(old, backup, mode);
    return r;
}

keepresult keepbackup(copyfile *c, FILE *old, unsigned mode, const std::string &backup)
{
    if (!closecopy(c, mode, old))
        return KEEP_FAILED;
    linkresult r = keepold(c->name, old, backup, mode);
    if (r == LINK_MADE)
        c->backup = backup;
    if (r == LINK_TAKEN)
        return KEEP_TAKEN;
    if (r != LINK_MADE || !syncdir(backup.c_str()))
        return KEEP_FAILED;
    // The backup must be old itself, whatever was done to the name since old was opened.
    return leadsto(c->name, old) ? KEEP_DONE : KEEP_CHANGED;
}

bool discardcopy(copyfile *c)
{
    if (c->fp)
        std::fclose(c->fp);
    c->fp = nullptr;
    if (!c->backup.empty()) {
        guardclear(GUARD_BACKUP);
        removefile(c->backup.c_str());
        c->backup.clear();
    }
    bool gone = c->temp.empty() || removefile(c->temp.c_str());
    guardclear(GUARD_TEMP);
    return gone;
}
