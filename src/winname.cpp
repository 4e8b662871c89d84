#include "winname.h"

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
