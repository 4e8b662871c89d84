// Every text the program shows a player, worded once (but the words of each repair, which
// are report's), and the exit codes.
#pragma once

#include "options.h"
#include "run.h"

#include <string>

// The exit codes.
enum {
    EXIT_DONE = 0,
    EXIT_NEEDSREPAIR = 1,
    EXIT_NOREAD = 2,
    EXIT_NOWRITE = 3,
    EXIT_TOOLONG = 4,
    EXIT_BADOPTION = 5,
    EXIT_NOMEMORY = 9
};

// The question for a save's name, after a welcome where the program seems to run outside
// the save folder.
void tellprompt(bool welcome);
// The help or the version.
void tellanswer(answerkind answer);
// Options refused: the first unknown one, or --check with --replace when unknown is empty.
void tellbadoptions(const std::string &unknown);
// The line that names each of several saves before its messages.
void tellheading(const std::string &save, runmode mode);
// The pass's events, worded on the console as they come: each repair, and a line too long.
events telling();
// How one save's run ended; gives its exit code.
int tellrun(const std::string &save, const saverun &r);
// The last words of a run whose window closes when it ends.
void tellenter();
