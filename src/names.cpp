#include "names.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <vector>

size_t dirpart(const std::string &name, const char *seps)
{
    size_t last = name.find_last_of(seps);
    return last == std::string::npos ? 0 : last + 1;
}

std::string copyname(const std::string &save, const char *seps)
{
    size_t dir = dirpart(save, seps);
    return save.substr(0, dir) + "FIXED-" + save.substr(dir);
}

// Whether the byte begins a character: it is no UTF-8 continuation byte.
static bool charstart(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::string tempname(const std::string &copy, uint64_t tag, const char *seps)
{
    // Six characters go, not six bytes, so that no character is cut in two and the name
    // shrinks by as many characters as bytes.
    size_t end = copy.size();
    for (int chars = 0; chars < 6 && end > dirpart(copy, seps); chars++)
        while (--end > 0 && !charstart(copy[end]))
            ;
    std::string name = copy.substr(0, end) + "~";
    for (int i = 0; i < 5; i++, tag /= 36)
        name += "0123456789abcdefghijklmnopqrstuvwxyz"[tag % 36];
    return name;
}

std::string backupname(const std::string &save, int n)
{
    return save + ".bak" + (n > 1 ? std::to_string(n) : "");
}

std::string unquote(const std::string &answer)
{
    size_t len = answer.find_last_not_of(' ') + 1;
    if (len < 2 || (answer[0] != '"' && answer[0] != '\'') || answer[len - 1] != answer[0])
        return "";
    return answer.substr(1, len - 2);
}

// Whether the pattern's byte p matches the name's byte c: letters A to Z in either case.
static bool samebyte(char p, char c)
{
    return std::tolower(static_cast<unsigned char>(p)) ==
           std::tolower(static_cast<unsigned char>(c));
}

// Length of the character that begins at name[at], its continuation bytes included.
static size_t charlen(const std::string &name, size_t at)
{
    size_t end = at + 1;
    while (end < name.size() && !charstart(name[end]))
        end++;
    return end - at;
}

// Takes the pattern's character p after each start of the name that can marks, marking in
// next where each leaves off.
static void wildstep(char p, const std::string &name, const std::vector<char> &can,
                     std::vector<char> *next)
{
    size_t n = name.size();
    next->assign(n + 1, 0);
    for (size_t j = 0; j <= n; j++) {
        if (!can[j])
            continue;
        if (p == '*') {
            std::fill(next->begin() + static_cast<std::ptrdiff_t>(j), next->end(), 1);
            return;
        }
        if (p == '?' && (j == n || name[j] == '.'))
            (*next)[j] = 1;
        if (j < n && (p == '?' || samebyte(p, name[j])))
            (*next)[j + (p == '?' ? charlen(name, j) : 1)] = 1;
    }
}

bool wildmatch(const std::string &pattern, const std::string &name)
{
    // can[j]: the pattern read so far matches the first j bytes of the name.
    std::vector<char> can(name.size() + 1, 0), next;
    can[0] = 1;
    for (size_t i = 0; i < pattern.size(); i++) {
        std::string rest = pattern.substr(i);
        if (can[name.size()] && (rest == "." || rest == ".*"))
            return true;
        wildstep(pattern[i], name, can, &next);
        can.swap(next);
    }
    return can[name.size()] != 0;
}

bool ownfile(const std::string &name)
{
    size_t n = name.size();
    bool temp = n >= 6 && name[n - 6] == '~';
    for (size_t i = n - 5; temp && i < n; i++)
        temp =
            std::isdigit(static_cast<unsigned char>(name[i])) || (name[i] >= 'a' && name[i] <= 'z');
    bool copy = n >= 6;
    for (size_t i = 0; copy && i < 6; i++)
        copy = std::toupper(static_cast<unsigned char>(name[i])) == "FIXED-"[i];
    // A backup: ".bak" and any number at the end, in any case.
    size_t end = name.find_last_not_of("0123456789") + 1;
    bool backup = end >= 4;
    for (size_t i = 0; backup && i < 4; i++)
        backup = samebyte(".bak"[i], name[end - 4 + i]);
    return temp || copy || backup;
}

bool wildkeeps(const char *pattern, const char *name)
{
    return !ownfile(name) && wildmatch(pattern, name);
}
