#include "options.h"

static const char USAGE[] =
    "Usage: veskor [OPTION...] [SAVE...]\n"
    "Repairs damaged Valdremar save files: a repaired copy of each SAVE is written\n"
    "beside it as FIXED-<name>, the SAVE only read, and every repair is listed with\n"
    "its line number. Without a SAVE, veskor asks for the name of one.\n"
    "\n"
    "Options, anywhere before -- (which ends them):\n"
    "  -c, --check    list the repairs each SAVE needs, and write nothing\n"
    "  -r, --replace  repair each SAVE in place, keeping the damaged one as\n"
    "                 SAVE.bak, which must not exist yet\n"
    "  -h, --help     show this help (/? too)\n"
    "  -V, --version  show the version and the licence\n"
    "\n"
    "Exit codes: 0 done (with --check: every save is sound), 1 a save needs repair\n"
    "(--check only), 2 a save cannot be opened or read, 3 a copy cannot be created\n"
    "or written, or a save cannot be replaced, 4 a line is too long, 5 an unknown\n"
    "option, 9 out of memory. With several saves, the code of the first that failed.\n"
    "\n"
    "A save named like an option is reached as ./--help, or after --.\n";

static const char VERSION[] = "VESKOR " VESKOR_VERSION "\nLicensed under the MIT licence.\n";

// Takes arg into *s when it is an option; false when it is none.
static bool takeoption(const std::string &arg, settings *s)
{
    if (arg == "-c" || arg == "--check")
        s->check = true;
    else if (arg == "-r" || arg == "--replace")
        s->replace = true;
    else if (arg == "-h" || arg == "--help" || arg == "/?")
        s->answer = s->answer ? s->answer : USAGE;
    else if (arg == "-V" || arg == "--version")
        s->answer = s->answer ? s->answer : VERSION;
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
