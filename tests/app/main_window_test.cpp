// The window procedure, message by message, on a real window under wine: what
// each message returns, what it posts, what it passes on, and what it paints.
#include "api_hooks.h"
#include "call_trace.h"
#include "gdi_objects.h"
#include "main_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int kWidth = 60, kHeight = 40;

// A 32-bit top-down DIB section, pixel (x, y) coloured by color(x, y) as
// 0x00RRGGBB.
template <typename F> HBITMAP MakePicture(int width, int height, F color)
{
    return MakeDibSection(
        width, height, 32, {},
        [&](BYTE *bits, int) {
            DWORD *pixels = reinterpret_cast<DWORD *>(bits);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) pixels[y * width + x] = color(x, y);
        },
        true);
}

// What the window shows, read back from its device context.
std::vector<DWORD> WindowPixels(HWND hwnd)
{
    HBITMAP hCopy = MakePicture(kWidth, kHeight, [](int, int) { return 0u; });
    HDC hdcWindow = GetDC(hwnd);
    HDC hdcCopy = CreateCompatibleDC(hdcWindow);
    HGDIOBJ hOld = SelectObject(hdcCopy, hCopy);
    BitBlt(hdcCopy, 0, 0, kWidth, kHeight, hdcWindow, 0, 0, SRCCOPY);
    SelectObject(hdcCopy, hOld);
    DeleteDC(hdcCopy);
    ReleaseDC(hwnd, hdcWindow);
    DIBSECTION ds;
    GetObjectA(hCopy, sizeof(ds), &ds);
    const DWORD *bits = static_cast<const DWORD *>(ds.dsBm.bmBits);
    std::vector<DWORD> pixels(bits, bits + kWidth * kHeight);
    DeleteObject(hCopy);
    for (DWORD &pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

void DrainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ;
}

bool QuitPosted(WPARAM *pExitCode)
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    *pExitCode = msg.wParam;
    return true;
}

class MainWndProcTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        InstallApiHooks();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MainWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MainWndProcTest";
        RegisterClassA(&wc);
    }

    void SetUp() override
    {
        g_hArtBitmap = nullptr;
        hwnd_ = CreateWindowExA(0, "MainWndProcTest", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(hwnd_, nullptr);
        UpdateWindow(hwnd_);
        DrainQueue();
    }

    void TearDown() override
    {
        DestroyWindow(hwnd_);
        DrainQueue();
        if (g_hArtBitmap != nullptr) DeleteObject(g_hArtBitmap);
        g_hArtBitmap = nullptr;
    }

    // Sends one message with every call recorded.
    LRESULT Send(UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        StartRecording();
        LRESULT result = SendMessageA(hwnd_, uMsg, wParam, lParam);
        calls_ = StopRecording();
        return result;
    }

    std::vector<std::string> Trace() { return CallTrace(calls_, {{Bits(hwnd_), "hwnd"}, {Bits(g_hArtBitmap), "art"}}); }

    HWND hwnd_ = nullptr;
    std::vector<ApiCall> calls_;
};

TEST_F(MainWndProcTest, EveryPointIsCaptionWithoutAskingTheDefault)
{
    const POINT points[] = {{0, 0}, {kWidth - 1, kHeight - 1}, {30, 20}, {-5, 500}, {5000, -5000}};
    for (const POINT &pt : points) {
        EXPECT_EQ(Send(WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)), HTCAPTION);
        EXPECT_TRUE(CallsOf(calls_, Api::DefWindowProcA).empty());
    }
}

TEST_F(MainWndProcTest, EscapePostsQuitWithZero)
{
    EXPECT_EQ(Send(WM_KEYDOWN, VK_ESCAPE, 0x00010001), 0);
    WPARAM exitCode = 99;
    EXPECT_TRUE(QuitPosted(&exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(IsWindow(hwnd_)) << "Escape ends the loop without destroying the window";
    EXPECT_TRUE(CallsOf(calls_, Api::DefWindowProcA).empty());
}

TEST_F(MainWndProcTest, OtherKeysAreSwallowed)
{
    const WPARAM keys[] = {'A', VK_SPACE, VK_RETURN, VK_F1, VK_F4, VK_TAB, VK_DELETE};
    for (WPARAM key : keys) {
        EXPECT_EQ(Send(WM_KEYDOWN, key, 0x00010001), 0);
        EXPECT_EQ(GetQueueStatus(QS_POSTMESSAGE), 0u) << "key " << key << " posted something";
        WPARAM exitCode;
        EXPECT_FALSE(QuitPosted(&exitCode)) << "key " << key;
        EXPECT_TRUE(calls_.empty()) << "key " << key << " reached the platform";
    }
}

TEST_F(MainWndProcTest, SystemKeysAndOtherMessagesTakeTheDefaultHandling)
{
    const LPARAM altX = 0x20000001 | (0x2D << 16);
    Send(WM_SYSKEYDOWN, 'X', altX);
    ASSERT_EQ(CallsOf(calls_, Api::DefWindowProcA).size(), 1u);
    EXPECT_EQ(Trace()[0], "DefWindowProcA(hwnd, 0x104, 0x58, 0x202d0001)");
    Send(WM_SYSKEYUP, 'X', altX | 0xC0000000);
    EXPECT_EQ(CallsOf(calls_, Api::DefWindowProcA).size(), 1u);
    DrainQueue();

    // The default's answer comes back unchanged.
    SetWindowTextA(hwnd_, "brim");
    EXPECT_EQ(Send(WM_GETTEXTLENGTH, 0, 0), 4);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"DefWindowProcA(hwnd, 0xe, 0x0, 0x0)"}));
}

TEST_F(MainWndProcTest, LeftButtonDownDoesNothing)
{
    EXPECT_EQ(Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3)), 0);
    EXPECT_TRUE(calls_.empty());
}

TEST_F(MainWndProcTest, DestroyPostsQuitWithZero)
{
    StartRecording();
    DestroyWindow(hwnd_);
    calls_ = StopRecording();
    WPARAM exitCode = 99;
    EXPECT_TRUE(QuitPosted(&exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(MainWndProcTest, PaintWithoutArtworkStillBeginsAndEndsThePaint)
{
    InvalidateRect(hwnd_, nullptr, FALSE);
    EXPECT_EQ(Send(WM_PAINT, 0, 0), 0);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"BeginPaint(hwnd) = paint1", "EndPaint(hwnd)"}));
    EXPECT_FALSE(GetUpdateRect(hwnd_, nullptr, FALSE)) << "the update area was not validated";
}

TEST_F(MainWndProcTest, PaintCopiesTheWholeArtworkClippedToTheUpdateArea)
{
    g_hArtBitmap = MakePicture(kWidth, kHeight, [](int x, int y) { return 0x102030u + x * 0x10000 + y; });
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
    std::vector<DWORD> first = WindowPixels(hwnd_);
    EXPECT_EQ(first[7 * kWidth + 5], 0x102030u + 5 * 0x10000 + 7);

    // A second picture, painted only into part of the window.
    HBITMAP hFirst = g_hArtBitmap;
    g_hArtBitmap = MakePicture(kWidth, kHeight, [](int x, int y) { return 0xA0B0C0u - x - y * 0x100; });
    const RECT rcUpdate = {10, 5, 25, 30};
    InvalidateRect(hwnd_, &rcUpdate, FALSE);
    StartRecording();
    UpdateWindow(hwnd_);
    calls_ = StopRecording();

    // Calls are recorded as they return, so UpdateWindow comes last.
    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "BeginPaint(hwnd) = paint1",
                           "CreateCompatibleDC(0) = dc1",
                           "SelectObject(dc1, art) = old1",
                           "BitBlt(paint1, 0, 0, 60, 40, dc1, 0, 0, SRCCOPY) = 1",
                           "SelectObject(dc1, old1) = art",
                           "DeleteDC(dc1) = 1",
                           "EndPaint(hwnd)",
                           "UpdateWindow(hwnd) = 1",
                       }));
    std::vector<DWORD> second = WindowPixels(hwnd_);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            POINT pt = {x, y};
            DWORD expected = PtInRect(&rcUpdate, pt) ? 0xA0B0C0u - x - y * 0x100 : first[y * kWidth + x];
            ASSERT_EQ(second[y * kWidth + x], expected) << "pixel (" << x << ", " << y << ")";
        }
    DeleteObject(hFirst);
}

TEST_F(MainWndProcTest, TenThousandPaintsLeaveNoGraphicsObjectBehind)
{
    g_hArtBitmap = MakePicture(kWidth, kHeight, [](int x, int y) { return static_cast<DWORD>(x ^ y); });
    StartRecording();
    for (int i = 0; i < 10000; ++i) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        UpdateWindow(hwnd_);
    }
    calls_ = StopRecording();
    EXPECT_EQ(CallsOf(calls_, Api::BeginPaint).size(), 10000u);
    EXPECT_EQ(CallsOf(calls_, Api::CreateCompatibleDC).size(), 10000u);
    EXPECT_EQ(CallsOf(calls_, Api::DeleteDC).size(), 10000u);
    ExpectReleasedInOrder(calls_, 0);
}

} // namespace
