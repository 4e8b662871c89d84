#include "options.h"

#include <algorithm>
#include <cctype>
#include <iterator>

// Options written as switches, as Windows programs take them, in any case, and the options
// they stand for. /? is taken on every system.
static const char *const SWITCHES[][2] = {{"/c", "-c"},       {"/check", "-c"},   {"/r", "-r"},
                                          {"/replace", "-r"}, {"/h", "-h"},       {"/help", "-h"},
                                          {"/v", "-V"},       {"/version", "-V"}, {"/?", "-h"}};

// The option that arg stands for as a switch, where slashes takes them; "" when none.
static std::string unslash(std::string arg, bool slashes)
{
    if (!slashes && arg != "/?")
        return "";
    for (char &c : arg)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto *sw = std::find_if(std::begin(SWITCHES), std::end(SWITCHES),
                                  [&](const auto &s) { return arg == s[0]; });
    return sw == std::end(SWITCHES) ? "" : (*sw)[1];
}

// Takes arg into *s when it is an option; false when it is none.
static bool takeoption(const std::string &arg, settings *s)
{
    if (arg == "-c" || arg == "--check")
        s->check = true;
    else if (arg == "-r" || arg == "--replace")
        s->replace = true;
    else if (arg == "-h" || arg == "--help")
        s->answer = s->answer ? s->answer : ANSWER_HELP;
    else if (arg == "-V" || arg == "--version")
        s->answer = s->answer ? s->answer : ANSWER_VERSION;
    else
        return false;
    return true;
}

void readargs(int argc, char **argv, bool slashes, settings *s)
{
    bool options = true;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i], option = options ? unslash(arg, slashes) : "";
        if (options && arg == "--")
            options = false;
        else if (!option.empty())
            takeoption(option, s);
        else if (!options || arg == "-" || arg[0] != '-')
            s->saves.push_back(arg);
        else if (!takeoption(arg, s) && s->unknown.empty())
            s->unknown = arg;
    }
}
