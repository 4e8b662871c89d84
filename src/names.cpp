#include "names.h"

#include "sys.h"

#include <cstring>

// Length of the folder's part of a name, its last separator included.
static size_t dirpart(const std::string &name)
{
    size_t last = name.find_last_of(dirseps);
    return last == std::string::npos ? 0 : last + 1;
}

std::string copyname(const std::string &save)
{
    std::string name = longname(save);
    size_t dir = dirpart(name);
    return name.substr(0, dir) + "FIXED-" + name.substr(dir);
}

std::string tempname(const std::string &copy, uint64_t tag)
{
    // Six characters go, not six bytes, so that no character is cut in two and the name
    // shrinks by as many characters as bytes.
    size_t end = copy.size();
    for (int chars = 0; chars < 6 && end > dirpart(copy); chars++)
        while (--end > 0 && (static_cast<unsigned char>(copy[end]) & 0xC0) == 0x80)
            ;
    std::string name = copy.substr(0, end) + "~";
    for (int i = 0; i < 5; i++, tag /= 36)
        name += "0123456789abcdefghijklmnopqrstuvwxyz"[tag % 36];
    return name;
}

std::string unquote(const std::string &answer)
{
    size_t len = answer.find_last_not_of(' ') + 1;
    if (len < 2 || (answer[0] != '"' && answer[0] != '\'') || answer[len - 1] != answer[0])
        return "";
    return answer.substr(1, len - 2);
}
