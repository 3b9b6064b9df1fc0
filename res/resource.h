#ifndef BRIMSHADE_RESOURCE_H
#define BRIMSHADE_RESOURCE_H

#define IDB_ARTWORK 101
// In a made program only: a DWORD of data, the extended window style its
// maker asked for; the program takes WS_EX_TOPMOST from it.
#define IDR_WINDOW_EX_STYLE 102

#endif
