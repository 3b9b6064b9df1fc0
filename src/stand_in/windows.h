// The few Win32 types and calls that the colour-key scan uses, for building and
// testing it on hosts without the Windows SDK, and for the picture tool, whose
// scan runs on them on every platform, Windows included: a console tool then
// needs no USER32 for SetRect. Their names live in a namespace of their own,
// so that they are never the platform's; the program itself always gets the
// platform's own <windows.h>.
//
// The movable-memory calls behave as the scan relies on them: a block is only
// addressable between GlobalLock and GlobalUnlock, GlobalReAlloc may move it and
// returns the handle to use from then on, and GlobalFree releases a block even
// while it is locked. To make misuse visible, every reallocation really moves
// the block and retires the old handle.
#ifndef BRIMSHADE_STAND_IN_WINDOWS_H
#define BRIMSHADE_STAND_IN_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

namespace win32_stand_in {

typedef uint8_t BYTE;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef size_t SIZE_T;
typedef void *LPVOID;
typedef void *HGLOBAL;

#define TRUE 1
#define FALSE 0
#define MAXLONG 0x7fffffff
#define RDH_RECTANGLES 1
#define GMEM_MOVEABLE 0x0002

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;

typedef struct _RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
} RGNDATAHEADER;

typedef struct _RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
} RGNDATA;

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
LPVOID GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
HGLOBAL GlobalFree(HGLOBAL hMem);
BOOL SetRect(RECT *lprc, int xLeft, int yTop, int xRight, int yBottom);

} // namespace win32_stand_in

using namespace win32_stand_in;

#endif
