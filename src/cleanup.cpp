#include "cleanup.h"

#include "sys.h"

#include <atomic>

// A name published whole: the main thread writes a name only into the spare slot, never the
// live one, and makes it live with one store. removeguarded marks itself busy before it looks
// at the live slot, and while it is busy the main thread writes no slot: the slot it reads
// cannot become spare and be written again under it.
struct guard {
    keptname slot[2];
    std::atomic<int> live{-1}; // the slot of the name removed; -1 for none
    int spare = 0;             // the main thread's own, never the live slot
};

static guard guards[3];
static std::atomic<bool> busy{false};
// A signal handler may only touch atomics that take no lock.
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

bool guardready(guarded which, const char *name)
{
    guard &g = guards[which];
    return !busy.load() && keepname(name, &g.slot[g.spare]);
}

void guardset(guarded which)
{
    guard &g = guards[which];
    g.live.store(g.spare);
    g.spare = 1 - g.spare;
}

void guardclear(guarded which)
{
    guards[which].live.store(-1);
}

void removeguarded()
{
    busy.store(true);
    int temp = guards[GUARD_TEMP].live.load(), backup = guards[GUARD_BACKUP].live.load();
    int bytes = guards[GUARD_BYTES].live.load();
    if (bytes >= 0)
        removekept(guards[GUARD_BYTES].slot[bytes]);
    if (temp >= 0 && removekept(guards[GUARD_TEMP].slot[temp]) && backup >= 0)
        removekept(guards[GUARD_BACKUP].slot[backup]);
    busy.store(false);
}
