#include "console.h"

#include <cstdio>
#include <cstring>

static void tostdout(const char *p, size_t n)
{
    std::fwrite(p, 1, n, stdout);
    std::fflush(stdout);
}

static char gathered[1 << 16];
static size_t have;
static bool eachatonce;
static consink sink = tostdout;

void consetup(bool each, consink to)
{
    conflush();
    eachatonce = each;
    sink = to ? to : tostdout;
}

void conflush()
{
    if (have > 0)
        sink(gathered, have);
    have = 0;
}

void conput(const char *p, size_t n)
{
    if (n > sizeof gathered - have)
        conflush();
    if (n > sizeof gathered) {
        sink(p, n);
        return;
    }
    std::memcpy(gathered + have, p, n);
    have += n;
}

void conputs(const char *s)
{
    conput(s, std::strlen(s));
}

void conputnum(int64_t n)
{
    char digits[24];
    char *at = digits + sizeof digits;
    // Counted in the negative range, which holds every value.
    int64_t v = n < 0 ? n : -n;
    do {
        *--at = static_cast<char>('0' - v % 10);
        v /= 10;
    } while (v != 0);
    if (n < 0)
        *--at = '-';
    conput(at, static_cast<size_t>(digits + sizeof digits - at));
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
