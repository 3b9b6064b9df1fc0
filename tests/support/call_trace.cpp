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
        if (handle == 0) return "0";
        auto it = names_.find(handle);
        if (it != names_.end()) return it->second;
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

// One argument as the API's trace spelling asks (api_hooks.h).
std::string ArgumentText(char kind, const ApiCall &call, size_t i, HandleNames &names)
{
    const uintptr_t value = call.args[i];
    std::ostringstream s;
    switch (kind) {
    case 'h': return names.Of(value);
    case 'd': return std::to_string(static_cast<int>(value));
    case 'x': s << "0x" << std::hex << value; return s.str();
    case 's': return value ? reinterpret_cast<const char *>(value) : "0";
    case 'r': return std::to_string(call.rdh.nCount) + " in " + RectText(call.rdh.rcBound);
    case 'o': return value == SRCCOPY ? "SRCCOPY" : std::to_string(value);
    case 'm': return value == RGN_OR ? "RGN_OR" : std::to_string(value);
    default: ADD_FAILURE() << "no trace spelling '" << kind << "'"; return "?";
    }
}

// "Name(arguments) = result", or empty for a call the trace leaves out.
std::string TraceLine(const ApiCall &call, HandleNames &names)
{
    const ApiInfo &info = InfoOf(call.api);
    if (info.traceArgs == nullptr) return "";
    std::string line = std::string(info.name) + "(";
    for (size_t i = 0; info.traceArgs[i] != '\0'; ++i)
        line += (i ? ", " : "") + ArgumentText(info.traceArgs[i], call, i, names);
    line += ")";
    const std::string result = info.traceResult;
    if (result == "#")
        line += " = " + std::to_string(call.result);
    else if (result == "ok")
        line += call.result == ERROR ? " = ERROR" : " = ok";
    else if (!result.empty())
        line += " = " + names.Result(call.result, result);
    return line;
}

} // namespace

std::vector<std::string> CallTrace(const std::vector<ApiCall> &calls, std::map<uintptr_t, std::string> names)
{
    HandleNames handleNames(std::move(names));
    std::vector<std::string> trace;
    for (const ApiCall &call : calls) {
        std::string line = TraceLine(call, handleNames);
        if (!line.empty()) trace.push_back(line);
    }
    return trace;
}

void ExpectReleasedInOrder(const std::vector<ApiCall> &calls, uintptr_t keep)
{
    std::vector<uintptr_t> contexts;                  // live, in order of creation
    std::map<uintptr_t, uintptr_t> original, current; // per context: its first and its present bitmap
    for (const ApiCall &call : calls) {
        switch (call.api) {
        case Api::CreateCompatibleDC:
            if (call.result) contexts.push_back(call.result);
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
            if (contexts.empty()) break;
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
        default: break;
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
            for (LONG x = rc.left; x < rc.right; ++x) mask[static_cast<size_t>(y) * width + x] = true;
    }
    return mask;
}
