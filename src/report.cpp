#include "report.h"

char *numtext(char *to, int64_t n)
{
    char digits[20];
    char *at = digits + sizeof digits;
    // Unsigned, which holds the size of every value and divides fastest.
    uint64_t v = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    do {
        *--at = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    if (n < 0)
        *to++ = '-';
    size_t len = static_cast<size_t>(digits + sizeof digits - at);
    std::memcpy(to, at, len);
    return to + len;
}

char *counttext(char *to, int64_t n, const char *noun)
{
    to = numtext(to, n);
    *to++ = ' ';
    while (*noun != '\0')
        *to++ = *noun++;
    if (n != 1)
        *to++ = 's';
    return to;
}

char *linetext(char *to, int64_t lineno)
{
    return littext(numtext(littext(to, "Line "), lineno), ": ");
}

// "<count> non-printable characters replaced with spaces (<codes>)"
static char *controlstext(char *to, const repair &r)
{
    to = littext(numtext(to, r.count), " non-printable characters replaced with spaces (");
    std::memcpy(to, r.codes, r.codelen);
    return littext(to + r.codelen, ")\n");
}

size_t wordrepair(const repair &r, char *to)
{
    char *at = linetext(to, r.line);
    if (r.kind == REPAIR_CONTROLS)
        at = controlstext(at, r);
    else if (r.kind == REPAIR_MERGED)
        at = littext(at, "merging this line with the previous line\n");
    else if (r.kind == REPAIR_CLOSED)
        at = littext(at, "added trailing double quote\n");
    else
        at = littext(numtext(littext(at, "replaced "), r.count),
                     " embedded double quotes with single quotes\n");
    return static_cast<size_t>(at - to);
}

size_t wordoverflow(int64_t lineno, char *to)
{
    char *at = littext(linetext(to, lineno), "input buffer overflow; sorry, can't help you.\n");
    return static_cast<size_t>(at - to);
}

char *nametext(char *to, const char *name, size_t len)
{
    for (size_t i = 0; i < len; i++) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        to[i] = c < 32 || c == 127 ? '?' : name[i];
    }
    return to + len;
}

size_t worddone(const char *copy, size_t len, int64_t lines, char *to)
{
    char *at = littext(nametext(littext(to, "Done writing '"), copy, len), "'. ");
    at = littext(numtext(at, lines), " lines processed.\n");
    return static_cast<size_t>(at - to);
}

size_t wordchecked(const char *save, size_t len, const repairs &r, char *to)
{
    char *at = nametext(littext(to, "'"), save, len);
    if (!needsrepair(r)) {
        at = littext(at, "' needs no repair. ");
    } else {
        at = counttext(littext(at, "' needs repair: "), r.scrubbed, "non-printable character");
        at = counttext(littext(at, ", "), r.merged, "merged line");
        at = counttext(littext(at, ", "), r.requoted, "embedded double quote");
        at = littext(counttext(littext(at, ", "), r.closed, "trailing double quote"), ". ");
    }
    at = littext(counttext(at, r.lines, "line"), " checked.\n");
    return static_cast<size_t>(at - to);
}

size_t wordfailed(passresult result, const char *name, size_t len, char *to)
{
    char *at = result == PASS_READFAIL ? littext(to, "Can't read the file '")
                                       : littext(to, "Can't write output file '");
    return static_cast<size_t>(littext(nametext(at, name, len), "'\n") - to);
}
