#include "copyfile.h"

#include "names.h"
#include "sys.h"

// Creates a new temporary file beside name, its name in *temp; null when none can be created.
static FILE *createtemp(const std::string &name, std::string *temp)
{
    FILE *f = nullptr;
    bool clash = true;
    // Another run, or an old leftover, may hold a name: try others.
    for (int tries = 0; !f && clash && tries < 100; tries++) {
        *temp = tempname(name, nonce());
        f = createnew(temp->c_str(), &clash);
    }
    return f;
}

bool opencopy(copyfile *c, const std::string &name)
{
    c->name = name;
    c->fp = nullptr;
    // A folder under the name would refuse the finished copy: no pass is made for nothing.
    if (lookname(name.c_str()) != NAME_FOLDER)
        c->fp = createtemp(name, &c->temp);
    if (c->fp)
        guardtemp(c->temp.c_str());
    return c->fp != nullptr;
}

commitresult commitcopy(copyfile *c, unsigned mode)
{
    bool ok = syncfile(c->fp);
    copymode(c->fp, mode);
    ok = std::fclose(c->fp) == 0 && ok;
    c->fp = nullptr;
    if (!ok || !replacefile(c->temp.c_str(), c->name.c_str()))
        return COMMIT_FAILED;
    guardtemp(nullptr);
    c->temp.clear(); // the name now belongs to the copy: nothing is left to remove
    return syncdir(c->name.c_str()) ? COMMIT_DONE : COMMIT_UNSYNCED;
}

// Whether name leads to the open file f.
static bool namesfile(const std::string &name, FILE *f)
{
    filestamp named, open;
    return stampname(name.c_str(), &named) && stampfile(f, &open) && named.volume == open.volume &&
           named.number == open.number;
}

// Removes the backup made, which a killed run then has no need to remove.
static void dropbackup(const char *backup)
{
    guardbackup(nullptr);
    removefile(backup);
}

// Writes the bytes of from, from its start, to a new file that takes the free name to only
// once it is whole and on the disk with mode: a run stopped part-way leaves no part of it
// there.
static linkresult copybytes(FILE *from, const std::string &to, unsigned mode)
{
    static char block[1 << 16];
    std::string temp;
    FILE *f = createtemp(to, &temp);
    if (!f)
        return LINK_FAILED;
    guardbackup(temp.c_str());
    bool ok = std::fseek(from, 0, SEEK_SET) == 0;
    for (size_t n = 1; ok && n > 0;) {
        n = std::fread(block, 1, sizeof block, from);
        ok = std::fwrite(block, 1, n, f) == n && !std::ferror(from);
    }
    ok = ok && syncfile(f);
    copymode(f, mode);
    ok = std::fclose(f) == 0 && ok;
    linkresult r = ok ? renamenew(temp.c_str(), to.c_str()) : LINK_FAILED;
    if (r == LINK_MADE)
        guardbackup(to.c_str());
    else
        dropbackup(temp.c_str());
    return r;
}

// Keeps old, the file under name, under backup too, both names on the disk.
static linkresult keepbackup(const std::string &name, FILE *old, const std::string &backup,
                             unsigned mode)
{
    linkresult r = linkfile(name.c_str(), backup.c_str());
    if (r == LINK_UNSUPPORTED)
        r = copybytes(old, backup, mode);
    if (r == LINK_MADE)
        guardbackup(backup.c_str());
    if (r == LINK_MADE && !syncdir(backup.c_str())) {
        dropbackup(backup.c_str());
        r = LINK_FAILED;
    }
    return r;
}

swapresult swapcopy(copyfile *c, unsigned mode, FILE *old, const std::string &backup)
{
    bool ok = syncfile(c->fp);
    copyowner(c->fp, old); // the game, run by the save's owner, must still read it
    copymode(c->fp, mode);
    ok = std::fclose(c->fp) == 0 && ok;
    c->fp = nullptr;
    linkresult kept = ok ? keepbackup(c->name, old, backup, mode) : LINK_FAILED;
    // The backup must be old itself, whatever was done to the name since old was opened.
    bool same = kept == LINK_MADE && namesfile(c->name, old);
    // Windows renames nothing over a file that is open.
    std::fclose(old);
    if (same && replacefile(c->temp.c_str(), c->name.c_str())) {
        guardtemp(nullptr);
        guardbackup(nullptr);
        c->temp.clear(); // the name now belongs to the copy: nothing is left to remove
        return syncdir(c->name.c_str()) ? SWAP_DONE : SWAP_UNSYNCED;
    }
    if (kept == LINK_MADE)
        dropbackup(backup.c_str());
    return kept == LINK_TAKEN           ? SWAP_TAKEN
           : kept == LINK_MADE && !same ? SWAP_CHANGED
                                        : SWAP_FAILED;
}

bool discardcopy(copyfile *c)
{
    if (c->fp)
        std::fclose(c->fp);
    c->fp = nullptr;
    bool gone = c->temp.empty() || removefile(c->temp.c_str());
    guardtemp(nullptr);
    return gone;
}
