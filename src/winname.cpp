#include "winname.h"

#include <cctype>

// The UTF-16 units of a UTF-8 text: one for each character, two for one past U+FFFF.
static size_t units(const std::string &s)
{
    size_t n = 0;
    for (char c : s) {
        auto b = static_cast<unsigned char>(c);
        n += static_cast<size_t>((b & 0xC0) != 0x80) + static_cast<size_t>(b >= 0xF0);
    }
    return n;
}

std::string longform(const std::string &name, const std::string &full)
{
    // A name in the long form, or a device's, stays as it is.
    if (units(full) < 260 || full.compare(0, 4, "\\\\?\\") == 0 ||
        full.compare(0, 4, "\\\\.\\") == 0)
        return name;
    if (full.compare(0, 2, "\\\\") == 0)
        return "\\\\?\\UNC" + full.substr(1);
    if (full.size() > 2 && full[1] == ':' && full[2] == '\\')
        return "\\\\?\\" + full;
    return name;
}

bool ownfile(const std::string &leaf)
{
    size_t n = leaf.size();
    bool temp = n >= 6 && leaf[n - 6] == '~';
    for (size_t i = n - 5; temp && i < n; i++)
        temp =
            std::isdigit(static_cast<unsigned char>(leaf[i])) || (leaf[i] >= 'a' && leaf[i] <= 'z');
    bool copy = n >= 6;
    for (size_t i = 0; copy && i < 6; i++)
        copy = std::toupper(static_cast<unsigned char>(leaf[i])) == "FIXED-"[i];
    return temp || copy;
}
