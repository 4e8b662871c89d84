// The console: every message of the program leaves through here, in order, to the system's
// console (conwrite).
#pragma once

#include <cstddef>

// Chooses how messages leave: each at once at its end (a terminal, where a player watches),
// or gathered and written in large pieces (a file or a pipe).
void consetup(bool atonce);

void conput(const char *p, size_t n);
void conputs(const char *s);

// A name as shown to the player: every byte below 32, and 127, as '?'.
void conputname(const char *name);
// Ends a message: out at once when messages go each at once.
void conend();
// Writes out what is gathered; due before the console is read and before the program ends.
void conflush();
// Whether a message written out did not reach the console (a full disk, a closed pipe).
bool conlost();
// What is gathered and not yet written, for a run that is killed.
const char *congathered(size_t *n);
