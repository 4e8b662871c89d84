// The command line: options and the names of the saves.
#pragma once

#include <string>
#include <vector>

// What the command line asks for.
struct settings {
    bool check, replace;
    const char *answer;  // the help or the version, which is all the run does
    std::string unknown; // the first argument taken for an option that is none
    std::vector<std::string> saves;
    bool asked; // the save was named at the prompt
};

// Sorts the arguments into options and saves. Before --, which ends the options, every
// argument that begins with '-' is an option, but '-' alone, which is a name; /? asks for
// the help as -h does.
void readargs(int argc, char **argv, settings *s);
