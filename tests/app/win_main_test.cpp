// WinMain run in this test program, which carries the artwork resource: the
// window it opens, the order it shapes and shows it in, how its loop ends, and
// what happens when it cannot register its class or the region is refused.
#include "api_hooks.h"
#include "art_key.h"
#include "call_trace.h"
#include "color_key_region.h"
#include "main_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Runs WinMain; once its loop runs, look(hwnd) sees the window and Escape is
// sent to it as a key press would be. A thread timer is dispatched by WinMain's
// own loop, so the test needs no second thread.
std::function<void(HWND)> g_look;

// What a loop that runs without a window gives back, so that such a run ends.
const int kLoopWithoutWindow = 99;

void CALLBACK LookThenPressEscape(HWND, UINT, UINT_PTR idTimer, DWORD)
{
    KillTimer(nullptr, idTimer);
    HWND hwnd = FindWindowA("BRIMSHADE", nullptr);
    if (hwnd == nullptr) {
        PostQuitMessage(kLoopWithoutWindow);
        return;
    }
    g_look(hwnd);
    PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
}

int RunWinMain(int nCmdShow, std::function<void(HWND)> look)
{
    g_look = std::move(look);
    UINT_PTR idTimer = SetTimer(nullptr, 0, 10, LookThenPressEscape);
    char szCmdLine[] = "--ignored \"arguments\"";
    int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, szCmdLine, nCmdShow);
    // A run that never reached its loop leaves the timer waiting; it must not
    // press Escape in a later run.
    KillTimer(nullptr, idTimer);
    return exitCode;
}

// Ends what a run left behind: the window, the class and the artwork.
void CleanUpAfterRun()
{
    DestroyWindow(FindWindowA("BRIMSHADE", nullptr));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ;
    UnregisterClassA("BRIMSHADE", GetModuleHandleA(nullptr));
    DeleteObject(g_hArtBitmap);
    g_hArtBitmap = nullptr;
}

class WinMainTest : public testing::Test {
protected:
    static void SetUpTestSuite() { InstallApiHooks(); }
    void TearDown() override { CleanUpAfterRun(); }
};

TEST_F(WinMainTest, OpensTheShapedPopupAndEndsWithZeroOnEscape)
{
    RECT rcWindow = {};
    LONG_PTR style = 0, exStyle = 0;
    HRGN hWindowRgn = CreateRectRgn(0, 0, 0, 0);
    int regionType = ERROR;
    StartRecording();
    int exitCode = RunWinMain(SW_SHOWNORMAL, [&](HWND hwnd) {
        GetWindowRect(hwnd, &rcWindow);
        style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        exStyle = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
        regionType = GetWindowRgn(hwnd, hWindowRgn);
    });
    std::vector<ApiCall> calls = StopRecording();
    HWND hwnd = FindWindowA("BRIMSHADE", nullptr);

    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(rcWindow.left, 0);
    EXPECT_EQ(rcWindow.top, 0);
    EXPECT_EQ(rcWindow.right, 489);
    EXPECT_EQ(rcWindow.bottom, 317);
    // The system adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(style & ~(WS_VISIBLE | WS_CLIPSIBLINGS), static_cast<LONG_PTR>(WS_POPUP));
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_EQ(exStyle, 0);

    // Shaped before it is shown, with the conversion's own region.
    std::vector<ApiCall> windowCalls;
    for (const ApiCall &call : calls)
        if (call.api == Api::CreateWindowExA || call.api == Api::SetWindowRgn || call.api == Api::ShowWindow ||
            call.api == Api::UpdateWindow)
            windowCalls.push_back(call);
    std::vector<std::string> trace =
        CallTrace(windowCalls, {{Bits(hwnd), "hwnd"}, {Bits(GetModuleHandleA(nullptr)), "module"}});
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[0], "CreateWindowExA(0, BRIMSHADE, 0, 0x80000000, 0, 0, 489, 317, 0, 0, module, 0) = hwnd");
    EXPECT_EQ(trace[1].substr(0, 18), "SetWindowRgn(hwnd,");
    EXPECT_EQ(trace[2], "ShowWindow(hwnd, 1)");
    EXPECT_EQ(trace[3], "UpdateWindow(hwnd) = 1");
    EXPECT_EQ(windowCalls[1].args[2], static_cast<uintptr_t>(TRUE));

    ASSERT_EQ(regionType, COMPLEXREGION);
    HRGN hExpected = CreateColorKeyRegion(g_hArtBitmap, ART_KEY_COLOR, ART_KEY_TOLERANCE);
    EXPECT_TRUE(EqualRgn(hWindowRgn, hExpected));
    DeleteObject(hExpected);
    DeleteObject(hWindowRgn);

    // Once SetWindowRgn has taken the region, the system owns it: Windows
    // would be left with a deleted region (wine keeps a copy, so only the
    // calls show it).
    for (const ApiCall &call : CallsOf(calls, Api::DeleteObject))
        EXPECT_NE(call.args[0], windowCalls[1].args[1]) << "the window's region was deleted";
}

// A shortcut set to start the program minimised (or maximised, or hidden)
// hands WinMain its show command.
TEST_F(WinMainTest, ShowsTheWindowWithTheShowCommandItIsGiven)
{
    BOOL fIconic = FALSE;
    StartRecording();
    EXPECT_EQ(RunWinMain(SW_SHOWMINNOACTIVE, [&](HWND hwnd) { fIconic = IsIconic(hwnd); }), 0);
    std::vector<ApiCall> shown = CallsOf(StopRecording(), Api::ShowWindow);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].args[1], static_cast<uintptr_t>(SW_SHOWMINNOACTIVE));
    EXPECT_TRUE(fIconic);
}

TEST_F(WinMainTest, RefusedWindowReturnsMinusOneWithNothingShapedOrShown)
{
    StartRecording();
    FailCall(Api::CreateWindowExA, 1);
    EXPECT_EQ(RunWinMain(SW_SHOWNORMAL, [](HWND) {}), -1);
    std::vector<ApiCall> calls = StopRecording();
    EXPECT_TRUE(CallsOf(calls, Api::CreateCompatibleDC).empty()) << "the artwork was converted";
    EXPECT_TRUE(CallsOf(calls, Api::SetWindowRgn).empty());
    EXPECT_TRUE(CallsOf(calls, Api::ShowWindow).empty());
}

// Without the artwork's size there is no window to make: WinMain gives up as
// at the other set-up steps, instead of sizing the window from whatever the
// BITMAP held.
TEST_F(WinMainTest, UnreadableArtworkSizeReturnsMinusOneWithNoWindow)
{
    StartRecording();
    FailCall(Api::GetObjectA, 1);
    EXPECT_EQ(RunWinMain(SW_SHOWNORMAL, [](HWND) {}), -1);
    EXPECT_TRUE(CallsOf(StopRecording(), Api::CreateWindowExA).empty());
}

TEST_F(WinMainTest, LoadsTheArtworkAsAnEightBitDibSectionOfItsOwnSize)
{
    RunWinMain(SW_SHOWNA, [](HWND) {});
    DIBSECTION ds;
    ASSERT_EQ(GetObjectA(g_hArtBitmap, sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
    EXPECT_EQ(ds.dsBm.bmWidth, 489);
    EXPECT_EQ(ds.dsBm.bmHeight, 317);
    EXPECT_EQ(ds.dsBmih.biBitCount, 8);

    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "BRIMSHADE", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(wc.lpfnWndProc, MainWndProc);
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_EQ(wc.hIcon, nullptr);
    EXPECT_EQ(wc.hCursor, nullptr);
    EXPECT_EQ(wc.hbrBackground, nullptr);
    EXPECT_EQ(wc.lpszMenuName, nullptr);
}

TEST_F(WinMainTest, ReturnsTheQuitMessagesCode)
{
    PostQuitMessage(42);
    EXPECT_EQ(RunWinMain(SW_SHOWNA, [](HWND) {}), 42);
}

TEST_F(WinMainTest, SecondCallCannotRegisterTheClassAndReturnsMinusOne)
{
    ASSERT_EQ(RunWinMain(SW_SHOWNA, [](HWND) {}), 0);
    HWND hwndFirst = FindWindowA("BRIMSHADE", nullptr);
    StartRecording();
    EXPECT_EQ(RunWinMain(SW_SHOWNA, [](HWND) {}), -1);
    std::vector<ApiCall> calls = StopRecording();
    EXPECT_TRUE(CallsOf(calls, Api::CreateWindowExA).empty());
    EXPECT_EQ(FindWindowExA(nullptr, hwndFirst, "BRIMSHADE", nullptr), nullptr) << "a second window was opened";
}

TEST_F(WinMainTest, RefusedRegionIsDeletedAndTheWindowStaysRectangular)
{
    HRGN hWindowRgn = CreateRectRgn(0, 0, 0, 0);
    int regionType = 0;
    StartRecording();
    FailCall(Api::SetWindowRgn, 1);
    EXPECT_EQ(RunWinMain(SW_SHOWNA, [&](HWND hwnd) { regionType = GetWindowRgn(hwnd, hWindowRgn); }), 0);
    std::vector<ApiCall> calls = StopRecording();
    EXPECT_EQ(regionType, ERROR) << "the window has a region";
    std::vector<ApiCall> refused = CallsOf(calls, Api::SetWindowRgn);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(refused[0].args[1])), 0u) << "the refused region was kept";
    DeleteObject(hWindowRgn);
}

} // namespace
