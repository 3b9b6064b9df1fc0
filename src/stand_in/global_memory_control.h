// Test controls of the stand-in's movable memory: planned failures and the
// figures a test needs to prove that the scan stays within its memory bound
// and releases what it takes.
#ifndef BRIMSHADE_GLOBAL_MEMORY_CONTROL_H
#define BRIMSHADE_GLOBAL_MEMORY_CONTROL_H

#include <stddef.h>

enum GlobalMemoryCall { GMC_ALLOC, GMC_REALLOC, GMC_LOCK };

typedef struct tagGLOBALMEMORYSTATS {
    int nAllocCalls;
    int nReAllocCalls;
    int nLockCalls;
    int nLiveBlocks;
    size_t cbLargestBlock;
} GLOBALMEMORYSTATS;

// Forgets all counts, the largest block and any planned failure. Blocks still
// alive stay alive and are counted on.
void ResetGlobalMemoryStats(void);

// Makes the nth call (1-based, counted since the last reset) of the given kind
// fail. Zero plans no failure.
void FailGlobalMemoryCall(GlobalMemoryCall call, int nth);

GLOBALMEMORYSTATS GetGlobalMemoryStats(void);

#endif
