#include "enginememory.h"

#include <QThread>

#include <algorithm>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace EngineMemory {

void LimitArenas()
{
#if defined(__GLIBC__)
    // glibc would make up to eight arenas per processor.
    mallopt(M_ARENA_MAX, std::max(2, QThread::idealThreadCount()));
#endif
}

void GiveBackFreed()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace EngineMemory
