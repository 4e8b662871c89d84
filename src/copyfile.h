// The copy's whole life: written under a temporary name, then put in place whole, or
// removed, leaving whatever stood under its name before; for a repair in place, the damaged
// file kept as a backup first.
#pragma once

#include "sys.h"

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

enum keepresult { KEEP_DONE, KEEP_TAKEN, KEEP_CHANGED, KEEP_FAILED, KEEP_DENIED, KEEP_HELD };
// Readies the finished copy to take the place of the file under its name, open as old and
// stamped as before: the copy on the disk with old's mode, owner and attributes, then old kept
// under the first free name of c->name's backups (a second name of the same file, or where
// the file system has none, a copy of old's bytes), on the disk, its name in *backup.
// KEEP_TAKEN when every backup name is taken; KEEP_CHANGED when c->name no longer leads to
// old as it was before, just before the backup is made or just after; KEEP_DENIED and
// KEEP_HELD, found first, where the system would not let the copy replace it (mayreplace).
// Then old must be closed (Windows renames nothing over an open file) and the copy placed.
keepresult keepbackup(copyfile *c, FILE *old, const filestamp &before, std::string *backup);
// Closes and removes what is unfinished: the temporary file, and a backup made but not yet
// needed, whose name stays in c->backup when it cannot be removed; false when the temporary
// file stays.
bool discardcopy(copyfile *c);
// Whether name leads to the open file f.
bool leadsto(const std::string &name, FILE *f);
// Whether name leads to the file stamped as st, its size and times unchanged.
bool stillnamed(const std::string &name, const filestamp &st);
