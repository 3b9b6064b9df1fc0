#include "call_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

class HandleNames {
public:
    explicit HandleNames(std::map<uintptr_t, std::string> names) : names_(std::move(names)) {}

    std::string Of(uintptr_t handle)
    {
        if (handle == 0)
            return "0";
        auto it = names_.find(handle);
        if (it != names_.end())
            return it->second;
        std::ostringstream hex;
        hex << "0x" << std::hex << handle;
        return hex.str();
    }

    // Names a handle a call returned, unless it already has a name.
    std::string Result(uintptr_t handle, const std::string &prefix)
    {
        if (handle != 0 && names_.find(handle) == names_.end())
            names_[handle] = prefix + std::to_string(++counts_[prefix]);
        return Of(handle);
    }

private:
    std::map<uintptr_t, std::string> names_;
    std::map<std::string, int> counts_;
};

std::string RectText(const RECT &rc)
{
    std::ostringstream s;
    s << "(" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << ")";
    return s.str();
}

std::string TraceLine(const ApiCall &call, HandleNames &names)
{
    const std::vector<uintptr_t> &a = call.args;
    std::ostringstream s;
    switch (call.api) {
    case Api::CreateCompatibleDC:
        s << "CreateCompatibleDC(" << names.Of(a[0]) << ") = " << names.Result(call.result, "dc");
        break;
    case Api::CreateDIBSection:
        s << "CreateDIBSection(" << names.Of(a[0]) << ") = " << names.Result(call.result, "dib");
        break;
    case Api::SelectObject:
        s << "SelectObject(" << names.Of(a[0]) << ", " << names.Of(a[1]) << ") = " << names.Result(call.result, "old");
        break;
    case Api::BitBlt:
        s << "BitBlt(" << names.Of(a[0]) << ", " << int(a[1]) << ", " << int(a[2]) << ", " << int(a[3]) << ", "
          << int(a[4]) << ", " << names.Of(a[5]) << ", " << int(a[6]) << ", " << int(a[7]) << ", "
          << (a[8] == SRCCOPY ? "SRCCOPY" : std::to_string(a[8])) << ") = " << call.result;
        break;
    case Api::ExtCreateRegion:
        s << "ExtCreateRegion(" << (a[0] ? "xform" : "0") << ", " << a[1] << ", " << call.rdh.nCount << " in "
          << RectText(call.rdh.rcBound) << ") = " << names.Result(call.result, "rgn");
        break;
    case Api::CombineRgn:
        s << "CombineRgn(" << names.Of(a[0]) << ", " << names.Of(a[1]) << ", " << names.Of(a[2]) << ", "
          << (a[3] == RGN_OR ? "RGN_OR" : std::to_string(a[3])) << ") = " << (call.result == ERROR ? "ERROR" : "ok");
        break;
    case Api::DeleteObject:
        s << "DeleteObject(" << names.Of(a[0]) << ") = " << call.result;
        break;
    case Api::DeleteDC:
        s << "DeleteDC(" << names.Of(a[0]) << ") = " << call.result;
        break;
    case Api::CreateWindowExA:
        s << "CreateWindowExA(" << a[0] << ", " << reinterpret_cast<const char *>(a[1]) << ", "
          << (a[2] ? reinterpret_cast<const char *>(a[2]) : "0") << ", " << std::hex << "0x" << a[3] << std::dec
          << ", " << int(a[4]) << ", " << int(a[5]) << ", " << int(a[6]) << ", " << int(a[7]) << ", "
          << names.Of(a[8]) << ", " << names.Of(a[9]) << ", " << names.Of(a[10]) << ", " << names.Of(a[11])
          << ") = " << names.Result(call.result, "hwnd");
        break;
    case Api::SetWindowRgn:
        s << "SetWindowRgn(" << names.Of(a[0]) << ", " << names.Of(a[1]) << ", " << a[2] << ") = " << call.result;
        break;
    case Api::ShowWindow:
        s << "ShowWindow(" << names.Of(a[0]) << ", " << a[1] << ")";
        break;
    case Api::UpdateWindow:
        s << "UpdateWindow(" << names.Of(a[0]) << ") = " << call.result;
        break;
    case Api::BeginPaint:
        s << "BeginPaint(" << names.Of(a[0]) << ") = " << names.Result(call.result, "paint");
        break;
    case Api::EndPaint:
        s << "EndPaint(" << names.Of(a[0]) << ")";
        break;
    case Api::DefWindowProcA:
        s << "DefWindowProcA(" << names.Of(a[0]) << ", 0x" << std::hex << a[1] << ", 0x" << a[2] << ", 0x" << a[3]
          << ")";
        break;
    default:
        return "";
    }
    return s.str();
}

} // namespace

std::vector<std::string> CallTrace(const std::vector<ApiCall> &calls, std::map<uintptr_t, std::string> names)
{
    HandleNames handleNames(std::move(names));
    std::vector<std::string> trace;
    for (const ApiCall &call : calls) {
        std::string line = TraceLine(call, handleNames);
        if (!line.empty())
            trace.push_back(line);
    }
    return trace;
}

void ExpectReleasedInOrder(const std::vector<ApiCall> &calls, uintptr_t keep)
{
    std::vector<uintptr_t> contexts;                 // live, in order of creation
    std::map<uintptr_t, uintptr_t> original, current; // per context: its first and its present bitmap
    for (const ApiCall &call : calls) {
        switch (call.api) {
        case Api::CreateCompatibleDC:
            if (call.result)
                contexts.push_back(call.result);
            break;
        case Api::SelectObject:
            if (call.result) {
                original.emplace(call.args[0], call.result);
                current[call.args[0]] = call.args[1];
            }
            break;
        case Api::DeleteDC: {
            uintptr_t dc = call.args[0];
            EXPECT_FALSE(contexts.empty());
            if (contexts.empty())
                break;
            EXPECT_EQ(contexts.back(), dc) << "contexts must be deleted in reverse order of creation";
            if (original.count(dc)) {
                EXPECT_EQ(current[dc], original[dc]) << "a context was deleted with a bitmap of ours selected";
            }
            contexts.erase(std::remove(contexts.begin(), contexts.end(), dc), contexts.end());
            original.erase(dc);
            current.erase(dc);
            break;
        }
        case Api::DeleteObject:
            for (const auto &[dc, bitmap] : current)
                EXPECT_NE(bitmap, call.args[0]) << "an object was deleted while selected into a context";
            break;
        default:
            break;
        }
    }
    std::vector<uintptr_t> unreleased = UnreleasedObjects(calls);
    unreleased.erase(std::remove(unreleased.begin(), unreleased.end(), keep), unreleased.end());
    EXPECT_TRUE(unreleased.empty()) << unreleased.size() << " objects were not released";
}

std::vector<bool> RegionMask(HRGN hRgn, int width, int height)
{
    std::vector<bool> mask(static_cast<size_t>(width) * height);
    DWORD cb = GetRegionData(hRgn, 0, nullptr);
    std::vector<BYTE> data(cb);
    RGNDATA *pData = reinterpret_cast<RGNDATA *>(data.data());
    if (cb == 0 || GetRegionData(hRgn, cb, pData) != cb) {
        ADD_FAILURE() << "GetRegionData failed";
        return mask;
    }
    const RECT *rects = reinterpret_cast<const RECT *>(pData->Buffer);
    for (DWORD i = 0; i < pData->rdh.nCount; ++i) {
        const RECT &rc = rects[i];
        if (rc.left < 0 || rc.top < 0 || rc.right > width || rc.bottom > height) {
            ADD_FAILURE() << "region reaches outside the picture: " << RectText(rc);
            continue;
        }
        for (LONG y = rc.top; y < rc.bottom; ++y)
            for (LONG x = rc.left; x < rc.right; ++x)
                mask[static_cast<size_t>(y) * width + x] = true;
    }
    return mask;
}
