// The conversion at the edges of what it can be given: pictures one pixel wide
// or high, up to 100,000 pixels long; a picture whose 32-bit copy cannot be
// had; and handles that are not bitmaps at all.
#include "api_hooks.h"
#include "call_trace.h"
#include "color_key_region.h"
#include "conversion_test.h"
#include "gdi_objects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ColorKeyRegionExtremes = ConversionTest;

// Runs of a few pixels with gaps of one or two: a 100,000-pixel line holds
// tens of thousands of them, so one row, or one column of rows, spans many
// batches.
bool Dashed(int x, int y)
{
    return Mix(x, y) % 3 != 0;
}

TEST_F(ColorKeyRegionExtremes, PicturesOnePixelWideOrHighGiveTheirShape)
{
    const struct {
        int width, height;
        OpaqueRule opaque;
        size_t leastBatches;
        const char *what;
    } pictures[] = {
        {1, 1, [](int, int) { return true; }, 1, "1 x 1 opaque"},
        {1, 1, [](int, int) { return false; }, 1, "1 x 1 see-through"},
        {1, 9, Dashed, 1, "1 x 9"},
        {9, 1, Dashed, 1, "9 x 1"},
        {1, 100000, Dashed, 10, "1 x 100,000"},
        {100000, 1, Dashed, 10, "100,000 x 1"},
    };
    for (const auto &picture : pictures) {
        SCOPED_TRACE(picture.what);
        HBITMAP hBmp = MaskPicture(picture.width, picture.height, picture.opaque);
        ASSERT_NE(hBmp, nullptr);
        HRGN hRgn = Convert(hBmp);
        ASSERT_NE(hRgn, nullptr);
        EXPECT_EQ(RegionMask(hRgn, picture.width, picture.height),
                  MaskOf(picture.width, picture.height, picture.opaque));
        EXPECT_GE(CallsOf(calls_, Api::ExtCreateRegion).size(), picture.leastBatches);
        ExpectReleasedInOrder(calls_, Bits(hRgn));
        DeleteObject(hRgn);
        DeleteObject(hBmp);
    }
}

// 40,000 x 40,000 pixels take 200 MB at one bit a pixel, but 6.4 GB as the
// 32-bit copy the scan needs: the platform refuses that surface, and the
// conversion gives up with nothing left behind rather than scan a part.
TEST_F(ColorKeyRegionExtremes, PictureTooLargeToCopyGivesNullAndLeavesNothing)
{
    HBITMAP hHuge = MakeDibSection(40000, 40000, 1, {{0, 0, 0, 0}, {255, 255, 255, 0}}, [](BYTE *, int) {});
    ASSERT_NE(hHuge, nullptr) << "the 1-bit picture itself could not be made";

    EXPECT_EQ(Convert(hHuge), nullptr);
    EXPECT_EQ(CallTrace(calls_), (std::vector<std::string>{"CreateCompatibleDC(0) = dc1", "CreateDIBSection(dc1) = 0",
                                                           "DeleteDC(dc1) = 1"}));
    DeleteObject(hHuge);
}

// GetObjectA succeeds on most kinds of object and fills the start of a BITMAP
// with whatever fields they have; none of them may pass for a picture.
TEST_F(ColorKeyRegionExtremes, HandlesThatAreNotBitmapsGiveNullAndMakeNothing)
{
    HBITMAP hFreed = MaskPicture(4, 4, Dashed);
    DeleteObject(hFreed);
    LOGPALETTE palette = {0x300, 1, {{1, 2, 3, 0}}};
    const struct {
        HGDIOBJ hObject;
        const char *what;
    } objects[] = {
        {CreateHatchBrush(HS_CROSS, RGB(0x20, 0x30, 0x40)), "hatched brush"},
        {CreateSolidBrush(RGB(0x20, 0x30, 0x40)), "solid brush"},
        {CreatePen(PS_SOLID, 3, RGB(0x20, 0x30, 0x40)), "pen"},
        {CreateFontA(20, 30, 40, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"), "font"},
        {CreatePalette(&palette), "palette"},
        {CreateCompatibleDC(nullptr), "device context"},
        {hFreed, "deleted bitmap"},
    };
    for (const auto &object : objects) {
        SCOPED_TRACE(object.what);
        EXPECT_EQ(Convert(static_cast<HBITMAP>(object.hObject)), nullptr);
        EXPECT_TRUE(UnreleasedObjects(calls_).empty());
    }
    for (const auto &object : objects) {
        if (object.hObject == hFreed) continue;
        if (GetObjectType(object.hObject) == OBJ_MEMDC)
            DeleteDC(static_cast<HDC>(object.hObject));
        else
            DeleteObject(object.hObject);
    }
}

} // namespace
