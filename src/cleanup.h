// What a run stopped by a signal or CTRL+C removes on its way out, for both systems: the
// temporary file it writes, the copy of the save it writes for a backup, and the backup it
// made, but the backup only if the temporary file was still there to remove. Once the
// temporary file took the save's name, the backup is all that is left of the damaged save,
// and it stays.
#pragma once

enum guarded { GUARD_TEMP, GUARD_BACKUP, GUARD_BYTES };

// Readies name to be removed as which once the run has made it; false when the system's form
// of the name does not fit, and the run must not make the file. What was guarded stays so
// until guardset.
bool guardready(guarded which, const char *name);
// From now on the name readied is the one removed as which.
void guardset(guarded which);
// From now on nothing is removed as which.
void guardclear(guarded which);
// Removes what is guarded, by the rule above; what the handler of a stop does. It may run on
// a thread of its own (Windows) while the main thread guards names: each name is published
// whole, never read half-written.
void removeguarded();
