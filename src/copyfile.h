// The copy's whole life: written under a temporary name, then put in place whole, or
// removed, leaving whatever stood under its name before; for a repair in place, the damaged
// file kept as a backup first.
#pragma once

#include <cstdio>
#include <string>

struct copyfile {
    std::string name;   // where the finished copy goes
    std::string temp;   // where it is written; empty once there is none to remove
    std::string backup; // a backup made for the swap, removed with the temporary file
    FILE *fp;
};

// Creates a new temporary file beside name, which a stopped run removes; false when none can
// be created, or its name is too long to be removed so, or when a folder stands under name,
// which the copy could never take.
bool opencopy(copyfile *c, const std::string &name);
// What became of a finished copy.
enum commitresult { COMMIT_DONE, COMMIT_FAILED, COMMIT_UNSYNCED };
// Puts the finished copy under its name: on the disk first, with the permission bits mode,
// then placed (placecopy). COMMIT_FAILED leaves the temporary file to discardcopy.
commitresult commitcopy(copyfile *c, unsigned mode);
// Renames the closed copy over whatever stands under its name, then syncs the folder's entry.
// The name then belongs to the copy, and a backup made stays. COMMIT_UNSYNCED has the copy in
// place, but the disk did not confirm its entry.
commitresult placecopy(copyfile *c);

enum keepresult { KEEP_DONE, KEEP_TAKEN, KEEP_CHANGED, KEEP_FAILED };
// Readies the finished copy to take the place of the file under its name, open as old: the
// copy on the disk with mode and old's owner, then old kept under the free name backup (a
// second name of the same file, or where the file system has none, a copy of old's bytes),
// on the disk. KEEP_TAKEN when backup exists, KEEP_CHANGED when c->name no longer leads to
// old. Then old must be closed (Windows renames nothing over an open file) and the copy
// placed.
keepresult keepbackup(copyfile *c, FILE *old, unsigned mode, const std::string &backup);
// Closes and removes what is unfinished: the temporary file, and a backup made but not yet
// needed; false when the temporary file stays.
bool discardcopy(copyfile *c);
// Whether name leads to the open file f.
bool leadsto(const std::string &name, FILE *f);
