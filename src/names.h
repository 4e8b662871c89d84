// Names of the files a run makes, and names as the player types them.
#pragma once

#include <cstdint>
#include <string>

// The copy goes beside the save: "FIXED-" before the file's own name, spelled in full where
// it was given short, its folder kept as given.
std::string copyname(const std::string &save);
// A name for the copy while it is written, in the copy's folder: the copy's name with its
// last six characters replaced by '~' and five letters or digits taken from tag. It is never
// longer than the copy's name, so it fits wherever that fits, and never ends in ".vld".
std::string tempname(const std::string &copy, uint64_t tag);
// The name inside a pasted answer: one wrapped, once trailing spaces are dropped, in a pair
// of double quotes or of single quotes. Empty when the answer is not wrapped so.
std::string unquote(const std::string &answer);
