// Names as Windows takes them, worked out as plain text so that every build can test them.
#pragma once

#include <string>

// The name that Windows' wide calls take for name, whose full path (as GetFullPathNameW
// makes it, its dots resolved and every separator a '\') is full: name itself while full has
// fewer than 260 UTF-16 units, the most the ordinary form takes; past that, full in the long
// form, "\\?\C:\..." for a drive's path or "\\?\UNC\server\..." for a share's. A full path
// of any other form also gives name.
std::string longform(const std::string &name, const std::string &full);
