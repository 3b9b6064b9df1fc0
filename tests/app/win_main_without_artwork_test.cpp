// WinMain in a program that lacks the artwork resource gives up at once.
#include "api_hooks.h"
#include "main_window.h"

#include <gtest/gtest.h>

TEST(WinMainWithoutArtwork, ReturnsMinusOneBeforeMakingAnything)
{
    InstallApiHooks();
    StartRecording();
    char szCmdLine[] = "";
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, szCmdLine, SW_SHOWNORMAL), -1);
    EXPECT_TRUE(StopRecording().empty());
    EXPECT_EQ(g_hArtBitmap, nullptr);
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "BRIMSHADE", &wc));
}
