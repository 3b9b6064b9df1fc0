// Watches and steers the Win32 calls that the code under test makes, by
// patching this test program's import address table: the product code calls
// the platform as it always does and carries no hook of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>
#include <vector>

// Every Win32 function the tests watch, listed once: the DLL it is imported
// from, its name, and how a trace shows a call of it (call_trace.h). The
// arguments shown are spelt one letter each, from the first: h a handle, d a
// number, x a number in hex, s a string, r the region data's header, o a
// raster operation, m a combine mode. The result is "#" a number, "ok" ok or
// ERROR, "" not shown, or else the prefix that names a handle it returns. A
// null argument spelling leaves the function out of the trace.
#define HOOKED_APIS(X)                                                                                                 \
    X("kernel32.dll", GlobalAlloc, nullptr, "")                                                                        \
    X("kernel32.dll", GlobalReAlloc, nullptr, "")                                                                      \
    X("kernel32.dll", GlobalLock, nullptr, "")                                                                         \
    X("gdi32.dll", CreateCompatibleDC, "h", "dc")                                                                      \
    X("gdi32.dll", CreateDIBSection, "h", "dib")                                                                       \
    X("gdi32.dll", SelectObject, "hh", "old")                                                                          \
    X("gdi32.dll", BitBlt, "hddddhddo", "#")                                                                           \
    X("gdi32.dll", GdiFlush, "", "#")                                                                                  \
    X("gdi32.dll", ExtCreateRegion, "hdr", "rgn")                                                                      \
    X("gdi32.dll", CombineRgn, "hhhm", "ok")                                                                           \
    X("gdi32.dll", DeleteObject, "h", "#")                                                                             \
    X("gdi32.dll", DeleteDC, "h", "#")                                                                                 \
    X("gdi32.dll", GetObjectA, nullptr, "")                                                                            \
    X("user32.dll", CreateWindowExA, "dssxddddhhhh", "hwnd")                                                           \
    X("user32.dll", SetWindowRgn, "hhd", "#")                                                                          \
    X("user32.dll", ShowWindow, "hd", "")                                                                              \
    X("user32.dll", UpdateWindow, "h", "#")                                                                            \
    X("user32.dll", BeginPaint, "h", "paint")                                                                          \
    X("user32.dll", EndPaint, "h", "")                                                                                 \
    X("user32.dll", DefWindowProcA, "hxxx", "")

enum class Api {
#define API_ENUMERATOR(dll, name, traceArgs, traceResult) name,
    HOOKED_APIS(API_ENUMERATOR)
#undef API_ENUMERATOR
};

struct ApiInfo {
    const char *dll;
    const char *name;
    const char *traceArgs;
    const char *traceResult;
};

const ApiInfo &InfoOf(Api api);

struct ApiCall {
    Api api;
    std::vector<uintptr_t> args; // handles and integers as they were passed
    uintptr_t result;
    RGNDATAHEADER rdh; // the header handed to ExtCreateRegion
};

template <typename T> uintptr_t Bits(T value)
{
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<uintptr_t>(value);
    else
        return static_cast<uintptr_t>(value);
}

// Patches the imports this program has, once; later calls do nothing.
void InstallApiHooks();

// Starts a fresh record of calls; no call fails until FailCall plans one.
void StartRecording();
// Makes the nth call (1-based, since StartRecording) of api fail without
// reaching the platform: it returns null, FALSE or ERROR.
void FailCall(Api api, int nth);
std::vector<ApiCall> StopRecording();

std::vector<ApiCall> CallsOf(const std::vector<ApiCall> &calls, Api api);

// Handles that recorded calls created (memory contexts, DIB sections,
// regions) and that no recorded DeleteDC or DeleteObject released.
std::vector<uintptr_t> UnreleasedObjects(const std::vector<ApiCall> &calls);
