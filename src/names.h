// Names of the files a run makes, names as the player types them, and which files a wildcard
// takes: plain text, the same on every system, the folder separators given (dirseps).
#pragma once

#include <cstdint>
#include <string>

// Length of the folder's part of a name, its last separator (one of seps) included.
size_t dirpart(const std::string &name, const char *seps);
// The copy goes beside the save: "FIXED-" before the file's own name, its folder kept as
// given.
std::string copyname(const std::string &save, const char *seps);
// A name for the copy while it is written, in the copy's folder: the copy's name with its
// last six characters replaced by '~' and five letters or digits taken from tag. It is never
// longer than the copy's name, so it fits wherever that fits, and never ends in ".vld".
std::string tempname(const std::string &copy, uint64_t tag, const char *seps);
// Where --replace keeps the damaged save: the n-th name tried, save.bak, save.bak2, ...
std::string backupname(const std::string &save, int n = 1);
// The name inside a pasted answer: one wrapped, once trailing spaces are dropped, in a pair
// of double quotes or of single quotes. Empty when the answer is not wrapped so.
std::string unquote(const std::string &answer);
// Whether name matches pattern as Windows matches a file's long name: '*' any run of
// characters, '?' any one, or none where the name is at a '.' or its end, a pattern's last
// "." or ".*" also where the name ends; letters A to Z in either case.
bool wildmatch(const std::string &pattern, const std::string &name);
// Whether a file that a wildcard found is one to take: the program's own (a FIXED- copy, in
// any case, a backup, whose name ends in ".bak" and perhaps a number, in any case, or a
// temporary file, whose name ends in '~' and five lower-case letters or digits) are not, nor
// one found by a short 8.3 name that pattern matches where its long name does not.
bool ownfile(const std::string &name);
bool wildkeeps(const char *pattern, const char *name);
