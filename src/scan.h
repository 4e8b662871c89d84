// The line scan: finds where a line ends, the parity of its double quotes and whether a
// control byte lies where the scrub looks, loading each byte once, 64 bytes a block.
#pragma once

#include <cstddef>
#include <cstdint>

// The scan of one line so far, which a refill of the window keeps: what the line's first at
// bytes held.
struct linescan {
    size_t at;    // bytes of the line looked at
    size_t len;   // the line's length with its line end, once found
    size_t step;  // blocks read at once next, growing from 1 so that short lines cost little
    bool odd;     // an odd count of double quotes among the bytes looked at
    bool control; // a control byte other than TAB before the line's last two bytes
    bool pending; // a control byte at at - 1: the scrub looks at it unless the line ends at at
};

// Goes on with the scan *ls of the line at s, of which n bytes are read; true once the line
// end is found (then ls->len is set). Reads no byte past s + n.
bool scanline(const char *s, size_t n, linescan *ls);

// The clean lines at the start of the n bytes at s, taken at once: each ended, with an even
// count of double quotes and no control byte where the scrub looks. Returns their bytes and
// adds their count to *lines; *next is the scan of the line after them as far as it went.
size_t scanclean(const char *s, size_t n, int64_t *lines, linescan *next);

// The bytes of the eight in w, the first the lowest, that are control characters (31 or less,
// not TAB), one bit each: byte i gives bit i.
uint64_t wordcontrols(uint64_t w);

// The kinds of code that make the scans' block masks: plain loops, SSE2, AVX2, AVX-512 (BW
// and VL), WebAssembly's SIMD128, and the fastest of them that the build and the processor
// have, which the scans use unless told otherwise.
enum scankind { SCAN_PLAIN, SCAN_SSE2, SCAN_AVX2, SCAN_AVX512, SCAN_SIMD128, SCAN_BEST };

// Makes both scans use the given kind of code; false, changing nothing, where the build or
// the processor lacks it.
bool scanuse(scankind kind);
