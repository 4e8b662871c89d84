#include "copyfile.h"

#include "names.h"
#include "sys.h"

bool opencopy(copyfile *c, const std::string &name)
{
    c->name = name;
    c->fp = nullptr;
    bool clash = true;
    // Another run, or an old leftover, may hold a name: try others.
    for (int tries = 0; !c->fp && clash && tries < 100; tries++) {
        c->temp = tempname(name, nonce());
        c->fp = createnew(c->temp.c_str(), &clash);
    }
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

bool discardcopy(copyfile *c)
{
    if (c->fp)
        std::fclose(c->fp);
    c->fp = nullptr;
    bool gone = c->temp.empty() || removefile(c->temp.c_str());
    guardtemp(nullptr);
    return gone;
}
