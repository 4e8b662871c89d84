// One save, from open to commit: open and stamp it, make the output, run the pass into it,
// check that the save did not change meanwhile, and put the output in place, or undo it.
#pragma once

#include "linepass.h"

#include <string>

// What a run does with a save: a repaired copy beside it, a check that writes nothing, or a
// repair in place with a backup.
enum runmode { RUN_FIX, RUN_CHECK, RUN_REPLACE };

// What became of one save, the successes first. OUT_GOING is no end: the run goes on.
enum outcome {
    OUT_WRITTEN,        // the copy is in place
    OUT_SOUND,          // a check found nothing to repair
    OUT_NEEDSREPAIR,    // a check found repairs to make
    OUT_REPLACED,       // the repair took the save's name, the save kept as backup
    OUT_LEFT,           // a save to repair in place needs no repair: left as it was
    OUT_OWNBACKUP,      // a save to repair in place is a backup this run made: left as it was
    OUT_NOOPEN,         // the save cannot be opened
    OUT_HELD,           // nor when another program holds it
    OUT_NOMEMORY,       // memory ran out
    OUT_NOREAD,         // reading failed, or the save changed while it was read
    OUT_TOOLONG,        // a line is too long (the pass told which)
    OUT_NOCREATE,       // the output cannot be created
    OUT_COPYREADONLY,   // an earlier copy is read-only
    OUT_NOTREGULAR,     // a save to replace is a pipe, a device or a folder
    OUT_SAVEREADONLY,   // a save to replace is read-only
    OUT_NOWRITE,        // writing the output or putting it in place failed
    OUT_COPYUNSYNCED,   // the copy is in place, but the disk did not confirm it
    OUT_REPAIRUNSYNCED, // the repair took the save's name, but the disk did not confirm it
    OUT_TAKEN,          // every backup's name is taken
    OUT_LINK,           // a save to replace is a symbolic link
    OUT_DENIED,         // the system does not let the user replace the save
    OUT_INUSE,          // another program holds the save open so that it cannot be replaced
    OUT_BACKUPTOOLONG,  // the backup's name is too long
    OUT_GOING
};

// What a run tells of itself.
struct saverun {
    outcome what;
    repairs done;
    std::string output;     // the copy's name, or the save's for a repair in place
    std::string backup;     // where a repair in place keeps the damaged save
    std::string leftover;   // a temporary file that could not be removed; empty when none
    std::string leftbackup; // a backup that could not be removed; empty when none
};

// The name of the repaired copy of save.
std::string copyof(const std::string &save);
// Sees to save as mode asks, each repair told to tell as the pass makes it; refused, where it
// is not OUT_GOING, is the outcome at once, before anything is done (the copy's name being
// another save's, or the save a backup made in this run).
saverun runsave(const std::string &save, runmode mode, outcome refused, const events &tell);
