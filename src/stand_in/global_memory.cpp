// Movable memory for the host stand-in. Each block keeps its bytes in a
// separate allocation of exactly the requested size, so that AddressSanitizer
// sees any access past its end; while a block is unlocked its bytes are
// poisoned, so that a write through a pointer kept across GlobalUnlock is
// caught as well.
#include <windows.h>

#include "global_memory_control.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define POISON(p, cb) ASAN_POISON_MEMORY_REGION(p, cb)
#define UNPOISON(p, cb) ASAN_UNPOISON_MEMORY_REGION(p, cb)
#else
#define POISON(p, cb) ((void)(p), (void)(cb))
#define UNPOISON(p, cb) ((void)(p), (void)(cb))
#endif

namespace {

struct MovableBlock {
    BYTE *pBytes;
    SIZE_T cb;
    int nLocks;
};

std::set<MovableBlock *> g_liveBlocks;
GLOBALMEMORYSTATS g_stats;
int g_failAt[3];

MovableBlock *CheckedBlock(HGLOBAL hMem, const char *pszCall)
{
    MovableBlock *pBlock = static_cast<MovableBlock *>(hMem);
    if (g_liveBlocks.count(pBlock) == 0) {
        std::fprintf(stderr, "%s: %p is not a live movable block\n", pszCall, hMem);
        std::abort();
    }
    return pBlock;
}

// Counts a call of the given kind and tells whether a test planned it to fail.
bool CountCall(GlobalMemoryCall call, int *pnCalls)
{
    ++*pnCalls;
    return g_failAt[call] == *pnCalls;
}

MovableBlock *NewBlock(SIZE_T cb)
{
    MovableBlock *pBlock = new MovableBlock;
    pBlock->pBytes = static_cast<BYTE *>(std::malloc(cb ? cb : 1));
    pBlock->cb = cb;
    pBlock->nLocks = 0;
    POISON(pBlock->pBytes, cb);
    g_liveBlocks.insert(pBlock);
    if (cb > g_stats.cbLargestBlock) g_stats.cbLargestBlock = cb;
    return pBlock;
}

void DeleteBlock(MovableBlock *pBlock)
{
    g_liveBlocks.erase(pBlock);
    UNPOISON(pBlock->pBytes, pBlock->cb);
    std::free(pBlock->pBytes);
    delete pBlock;
}

} // namespace

namespace win32_stand_in {

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    if (uFlags != GMEM_MOVEABLE) {
        std::fprintf(stderr, "GlobalAlloc: only GMEM_MOVEABLE is supported\n");
        std::abort();
    }
    if (CountCall(GMC_ALLOC, &g_stats.nAllocCalls)) return nullptr;
    return NewBlock(dwBytes);
}

// Always moves the block, so that a pointer or handle kept from before the
// call is stale at once rather than only when the platform happens to move it.
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags)
{
    MovableBlock *pOld = CheckedBlock(hMem, "GlobalReAlloc");
    if (uFlags != GMEM_MOVEABLE || pOld->nLocks != 0) {
        std::fprintf(stderr, "GlobalReAlloc: expected an unlocked block and GMEM_MOVEABLE\n");
        std::abort();
    }
    if (CountCall(GMC_REALLOC, &g_stats.nReAllocCalls)) return nullptr;
    MovableBlock *pNew = NewBlock(dwBytes);
    SIZE_T cbKept = dwBytes < pOld->cb ? dwBytes : pOld->cb;
    UNPOISON(pOld->pBytes, cbKept);
    UNPOISON(pNew->pBytes, cbKept);
    std::memcpy(pNew->pBytes, pOld->pBytes, cbKept);
    POISON(pNew->pBytes, cbKept);
    DeleteBlock(pOld);
    return pNew;
}

LPVOID GlobalLock(HGLOBAL hMem)
{
    MovableBlock *pBlock = CheckedBlock(hMem, "GlobalLock");
    if (CountCall(GMC_LOCK, &g_stats.nLockCalls)) return nullptr;
    if (pBlock->nLocks++ == 0) UNPOISON(pBlock->pBytes, pBlock->cb);
    return pBlock->pBytes;
}

BOOL GlobalUnlock(HGLOBAL hMem)
{
    MovableBlock *pBlock = CheckedBlock(hMem, "GlobalUnlock");
    if (pBlock->nLocks == 0) {
        std::fprintf(stderr, "GlobalUnlock: block %p is not locked\n", hMem);
        std::abort();
    }
    if (--pBlock->nLocks == 0) POISON(pBlock->pBytes, pBlock->cb);
    return pBlock->nLocks != 0;
}

HGLOBAL GlobalFree(HGLOBAL hMem)
{
    DeleteBlock(CheckedBlock(hMem, "GlobalFree"));
    return nullptr;
}

BOOL SetRect(RECT *lprc, int xLeft, int yTop, int xRight, int yBottom)
{
    if (lprc == nullptr) return FALSE;
    lprc->left = xLeft;
    lprc->top = yTop;
    lprc->right = xRight;
    lprc->bottom = yBottom;
    return TRUE;
}

} // namespace win32_stand_in

void ResetGlobalMemoryStats(void)
{
    g_stats = GLOBALMEMORYSTATS();
    g_failAt[GMC_ALLOC] = g_failAt[GMC_REALLOC] = g_failAt[GMC_LOCK] = 0;
}

void FailGlobalMemoryCall(GlobalMemoryCall call, int nth)
{
    g_failAt[call] = nth;
}

GLOBALMEMORYSTATS GetGlobalMemoryStats(void)
{
    GLOBALMEMORYSTATS stats = g_stats;
    stats.nLiveBlocks = static_cast<int>(g_liveBlocks.size());
    return stats;
}
