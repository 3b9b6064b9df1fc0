// Lets tests compare and print the platform's RECT.
#pragma once

#include <windows.h>

#include <ostream>

// Where argument-dependent lookup finds them: the stand-in's RECT lives in a
// namespace of its own, the platform's in the global one.
#ifdef BRIMSHADE_STAND_IN_WINDOWS_H
namespace win32_stand_in {
#endif

inline bool operator==(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline bool operator!=(const RECT &a, const RECT &b)
{
    return !(a == b);
}

inline void PrintTo(const RECT &rc, std::ostream *os)
{
    *os << "(" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << ")";
}

#ifdef BRIMSHADE_STAND_IN_WINDOWS_H
} // namespace win32_stand_in
#endif

inline RECT MakeRect(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT rc = {left, top, right, bottom};
    return rc;
}
