#include "quoterepair.h"

#include <cstring>

static const size_t NOMARK = static_cast<size_t>(-1);

// Reads the line as assignments: a value opens at a double quote and closes at the last
// double quote before the next equals sign; the ones between become single quotes. NUL
// bytes are ordinary bytes here.
quotefix fixquotes(char *held, size_t len)
{
    quotefix f = {len, 0, false};
    size_t i = 0;
    while (i < f.len) {
        const char *q = static_cast<const char *>(std::memchr(held + i, '"', f.len - i));
        if (!q)
            break;
        size_t mark = NOMARK;
        for (i = static_cast<size_t>(q - held) + 1; i < f.len && held[i] != '='; i++) {
            if (held[i] == '"') {
                held[i] = '\'';
                f.requoted++;
                mark = i;
            }
        }
        if (mark != NOMARK) {
            held[mark] = '"';
            f.requoted--;
        } else if (i == f.len) {
            held[f.len++] = '"';
            f.closed = true;
            break;
        }
    }
    return f;
}
