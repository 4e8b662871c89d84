#include "console.h"

#include "sys.h"

#include <cstring>

static char gathered[1 << 16];
static size_t have;
static bool eachatonce;
static bool lost; // a message did not reach the console

// Writes console bytes, noting any that are lost.
static void send(const char *p, size_t n)
{
    lost = !conwrite(p, n) || lost;
}

void consetup(bool atonce)
{
    conflush();
    eachatonce = atonce;
}

void conflush()
{
    // Emptied first, so that a run killed while writing never writes the same text twice.
    size_t n = have;
    have = 0;
    if (n > 0)
        send(gathered, n);
}

const char *congathered(size_t *n)
{
    *n = have;
    return gathered;
}

void conput(const char *p, size_t n)
{
    if (n > sizeof gathered - have)
        conflush();
    if (n > sizeof gathered) {
        send(p, n);
        return;
    }
    std::memcpy(gathered + have, p, n);
    have += n;
}

void conputs(const char *s)
{
    conput(s, std::strlen(s));
}

void conputname(const char *name)
{
    for (const char *run = name;; name++) {
        unsigned char c = static_cast<unsigned char>(*name);
        if (c >= 32 && c != 127)
            continue;
        conput(run, static_cast<size_t>(name - run));
        if (c == 0)
            return;
        conput("?", 1);
        run = name + 1;
    }
}

bool conlost()
{
    return lost;
}

void conend()
{
    if (eachatonce)
        conflush();
}
