#include "options.h"

// Takes arg into *s when it is an option; false when it is none.
static bool takeoption(const std::string &arg, settings *s)
{
    if (arg == "-c" || arg == "--check")
        s->check = true;
    else if (arg == "-r" || arg == "--replace")
        s->replace = true;
    else if (arg == "-h" || arg == "--help" || arg == "/?")
        s->answer = s->answer ? s->answer : ANSWER_HELP;
    else if (arg == "-V" || arg == "--version")
        s->answer = s->answer ? s->answer : ANSWER_VERSION;
    else
        return false;
    return true;
}

void readargs(int argc, char **argv, settings *s)
{
    bool options = true;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (options && arg == "--")
            options = false;
        else if (!options || arg == "-" || (arg[0] != '-' && arg != "/?"))
            s->saves.push_back(arg);
        else if (!takeoption(arg, s) && s->unknown.empty())
            s->unknown = arg;
    }
}
