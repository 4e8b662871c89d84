#include "quoterepair.h"

#include "console.h"
#include "linepass.h"

#include <cstring>

static const size_t NOMARK = static_cast<size_t>(-1);

// Reads the line as assignments: a value opens at a double quote and closes at the last
// double quote before the next equals sign; the ones between become single quotes. NUL
// bytes are ordinary bytes here.
size_t fixquotes(char *held, size_t len, int64_t lineno)
{
    size_t i = 0;
    int count = 0;
    while (i < len) {
        const char *q = static_cast<const char *>(std::memchr(held + i, '"', len - i));
        if (!q)
            break;
        size_t mark = NOMARK;
        for (i = q - held + 1; i < len && held[i] != '='; i++) {
            if (held[i] == '"') {
                held[i] = '\'';
                count++;
                mark = i;
            }
        }
        if (mark != NOMARK) {
            held[mark] = '"';
            count--;
        } else if (i == len) {
            sayline(lineno, "added trailing double quote\n");
            held[len++] = '"';
            break;
        }
    }
    if (count == 0)
        return len;
    conputs("Line ");
    conputnum(lineno);
    conputs(": replaced ");
    conputnum(count);
    conputs(" embedded double quotes with single quotes\n");
    conend();
    return len;
}
