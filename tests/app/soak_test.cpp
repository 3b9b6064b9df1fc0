// Long runs in one process, as the program and its window live: 1,000
// conversions of the artwork and 10,000 paints of the shaped window must leave
// the platform holding no object of theirs and the process no more memory
// than it had.
//
// Objects are checked as the platform sees them, not only as the recorded
// calls tell it: every context, DIB section and region a step made must be
// unknown to GetObjectType once the step is over. (GetGuiResources, which
// would count them, is a stub under wine.) Memory is the process's private
// bytes as GetProcessMemoryInfo gives them; under wine they are its resident
// anonymous memory, where wine keeps its GDI objects too.
//
// Under emulation (the i686 build's tests run in a virtual machine) the full
// counts would take about half an hour; there BRIMSHADE_SOAK_DIVISOR divides
// them. An object left by any step is still caught, by GetObjectType; a leak
// too small for the memory check in fewer steps is not.
#include "api_hooks.h"
#include "art_key.h"
#include "color_key_region.h"
#include "gdi_objects.h"
#include "main_window.h"

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// The allocators may keep a few more pages after a long run than before it
// (8 KB at most in this test's runs). The smallest object one step could
// leak, a memory device context, takes over a kilobyte in wine, so a leak in
// every step would pass this within 1,000 steps; a leaked region or DIB
// section of the artwork, far larger, within ten.
const SIZE_T kMemorySlack = 512 * 1024;

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        ADD_FAILURE() << "GetProcessMemoryInfo failed";
    return counters.PagefileUsage;
}

// The graphics objects that the recorded calls created.
std::vector<HGDIOBJ> CreatedObjects(const std::vector<ApiCall> &calls)
{
    std::vector<HGDIOBJ> created;
    for (const ApiCall &call : calls)
        if ((call.api == Api::CreateCompatibleDC || call.api == Api::CreateDIBSection ||
             call.api == Api::ExtCreateRegion) &&
            call.result)
            created.push_back(reinterpret_cast<HGDIOBJ>(call.result));
    return created;
}

struct SoakResult {
    int steps = 0;
    int stepsFailed = 0;
    size_t objectsMade = 0;
    size_t objectsLeft = 0; // made by a step and still known to the platform after it
    SIZE_T privateBytesBefore = 0, privateBytesAfter = 0;
};

int ScaledSteps(int steps)
{
    const char *divisor = std::getenv("BRIMSHADE_SOAK_DIVISOR");
    int n = divisor ? std::atoi(divisor) : 1;
    return n > 1 ? steps / n : steps;
}

// Runs step `steps` times after a few unmeasured ones, which let wine and the
// allocators reach their working size. A step returns false when it failed.
SoakResult RunSoak(int steps, const std::function<bool()> &step)
{
    SoakResult result;
    steps = ScaledSteps(steps);
    result.steps = steps;
    for (int i = 0; i < 20; ++i) step();
    result.privateBytesBefore = PrivateBytes();
    for (int i = 0; i < steps; ++i) {
        StartRecording();
        result.stepsFailed += !step();
        std::vector<HGDIOBJ> made = CreatedObjects(StopRecording());
        result.objectsMade += made.size();
        for (HGDIOBJ hObject : made) result.objectsLeft += GetObjectType(hObject) != 0;
    }
    result.privateBytesAfter = PrivateBytes();
    return result;
}

void ExpectNothingLeft(const SoakResult &result)
{
    EXPECT_EQ(result.stepsFailed, 0);
    EXPECT_GE(result.objectsMade, static_cast<size_t>(result.steps)) << "the steps were not all recorded";
    EXPECT_EQ(result.objectsLeft, 0u);
    EXPECT_LE(result.privateBytesAfter, result.privateBytesBefore + kMemorySlack)
        << "private bytes went from " << result.privateBytesBefore << " to " << result.privateBytesAfter;
}

class Soak : public testing::Test {
protected:
    static void SetUpTestSuite() { InstallApiHooks(); }
};

TEST_F(Soak, ThousandConversionsOfTheArtworkLeaveNothingBehind)
{
    HBITMAP hArt = LoadArtworkResource();
    ASSERT_NE(hArt, nullptr);
    SoakResult result = RunSoak(1000, [hArt] {
        HRGN hRgn = CreateColorKeyRegion(hArt, ART_KEY_COLOR, ART_KEY_TOLERANCE);
        DeleteObject(hRgn);
        return hRgn != nullptr;
    });
    ExpectNothingLeft(result);
    DeleteObject(hArt);
}

void DrainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// The program's window as WinMain sets it up: the artwork's size at (0, 0),
// cut to its shape and shown; then painted over and over.
TEST_F(Soak, TenThousandPaintsOfTheShapedWindowLeaveNothingBehind)
{
    g_hArtBitmap = LoadArtworkResource();
    ASSERT_NE(g_hArtBitmap, nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SoakTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    BITMAP bm;
    GetObjectA(g_hArtBitmap, sizeof(bm), &bm);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, bm.bmWidth, bm.bmHeight, nullptr, nullptr,
                                wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_NE(SetWindowRgn(hwnd, CreateColorKeyRegion(g_hArtBitmap, ART_KEY_COLOR, ART_KEY_TOLERANCE), TRUE), 0);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    DrainQueue();

    SoakResult result = RunSoak(10000, [hwnd] {
        InvalidateRect(hwnd, nullptr, FALSE);
        return UpdateWindow(hwnd) != FALSE;
    });
    ExpectNothingLeft(result);

    DestroyWindow(hwnd);
    DrainQueue();
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
    DeleteObject(g_hArtBitmap);
    g_hArtBitmap = nullptr;
}

} // namespace
