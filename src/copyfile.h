// The copy's whole life: written under a temporary name, then put in place whole, or
// removed, leaving whatever stood under its name before.
#pragma once

#include <cstdio>
#include <string>

struct copyfile {
    std::string name; // where the finished copy goes
    std::string temp; // where it is written
    FILE *fp;
};

// Creates a new temporary file beside name; false when none can be created, or when a
// folder stands under name, which the copy could never take.
bool opencopy(copyfile *c, const std::string &name);
// What became of a finished copy.
enum commitresult { COMMIT_DONE, COMMIT_FAILED, COMMIT_UNSYNCED };
// Puts the finished copy under its name: on the disk first, with the permission bits mode,
// then renamed over whatever stands there, then the folder's entry synced. COMMIT_FAILED
// leaves the temporary file to discardcopy; COMMIT_UNSYNCED has the copy in place, but the
// disk did not confirm its entry.
commitresult commitcopy(copyfile *c, unsigned mode);
// Closes and removes the temporary file; false when it stays.
bool discardcopy(copyfile *c);

enum swapresult { SWAP_DONE, SWAP_TAKEN, SWAP_CHANGED, SWAP_FAILED, SWAP_UNSYNCED };
// Puts the finished copy in the place of the file under its name, open as old, which is kept
// under the new name backup: a second name of the same file, or where the file system has
// none, a copy of old's bytes. Each step is on the disk before the next, so that at every
// moment old's bytes stand under c->name or under backup. Closes old. SWAP_TAKEN when
// backup exists, SWAP_CHANGED when c->name no longer leads to old; after any failure only
// the temporary file stays, for discardcopy. SWAP_UNSYNCED has the copy in place and the
// backup kept, but the disk did not confirm the folder's entries.
swapresult swapcopy(copyfile *c, unsigned mode, FILE *old, const std::string &backup);
