#include "console.h"

#include "sys.h"

#include <cstring>

static char gathered[1 << 16];
static size_t have;
static bool eachatonce;

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
        conwrite(gathered, n);
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
        conwrite(p, n);
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

void conend()
{
    if (eachatonce)
        conflush();
}
