// Watches and steers the Win32 calls that the code under test makes, by
// patching this test program's import address table: the product code calls
// the platform as it always does and carries no hook of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>
#include <vector>

enum class Api {
    GlobalAlloc,
    GlobalReAlloc,
    GlobalLock,
    CreateCompatibleDC,
    CreateDIBSection,
    SelectObject,
    BitBlt,
    ExtCreateRegion,
    CombineRgn,
    DeleteObject,
    DeleteDC,
    CreateWindowExA,
    SetWindowRgn,
    ShowWindow,
    UpdateWindow,
    BeginPaint,
    EndPaint,
    DefWindowProcA,
};

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
