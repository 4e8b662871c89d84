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

// Creates a new temporary file beside name; false when none can be created.
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
