// The command line: options and the names of the saves.
#pragma once

#include <string>
#include <vector>

// What the options alone ask for, which is all such a run does.
enum answerkind { ANSWER_NONE, ANSWER_HELP, ANSWER_VERSION };

// What the command line asks for.
struct settings {
    bool check, replace;
    answerkind answer;   // the first of the help and the version asked for
    std::string unknown; // the first argument taken for an option that is none
    std::vector<std::string> saves;
};

// Sorts the arguments into options and saves. Before --, which ends the options, every
// argument that begins with '-' is an option, but '-' alone, which is a name; /? asks for
// the help as -h does, and where slashes, /c, /r, /h, /V and /check, /replace, /help,
// /version in any case stand for their options (any other word after '/' is a name).
void readargs(int argc, char **argv, bool slashes, settings *s);
