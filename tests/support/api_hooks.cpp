#include "api_hooks.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <tuple>

namespace {

bool g_recording;
std::vector<ApiCall> g_calls;
std::map<Api, int> g_counts;
std::map<Api, int> g_failAt;

// Counts a call and tells whether the test planned it to fail.
bool Planned(Api api)
{
    if (!g_recording) return false;
    int nth = ++g_counts[api];
    auto it = g_failAt.find(api);
    return it != g_failAt.end() && it->second == nth;
}

template <Api api, typename R, typename... A> struct Hooked {
    static inline R(WINAPI *real)(A...) = nullptr;

    static R WINAPI Hook(A... args)
    {
        R result = Planned(api) ? R{} : real(args...);
        if (g_recording) {
            ApiCall call{api, {Bits(args)...}, Bits(result), {}};
            if constexpr (api == Api::ExtCreateRegion) call.rdh = std::get<2>(std::tuple<A...>(args...))->rdh;
            g_calls.push_back(call);
        }
        return result;
    }
};

template <Api api, typename R, typename... A> Hooked<api, R, A...> HookOf(R(WINAPI *)(A...));

struct HookEntry {
    void *real; // points at the Hooked<>::real function pointer
    void *hook;
};

#define API_INFO(dll, name, traceArgs, traceResult) {dll, #name, traceArgs, traceResult},
const ApiInfo g_apiInfo[] = {HOOKED_APIS(API_INFO)};
#undef API_INFO

void PatchImport(HMODULE hModule, const ApiInfo &info, const HookEntry &entry)
{
    BYTE *base = reinterpret_cast<BYTE *>(hModule);
    auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto *desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + dir.VirtualAddress); desc->Name; ++desc) {
        if (_stricmp(reinterpret_cast<char *>(base + desc->Name), info.dll) != 0) continue;
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + desc->OriginalFirstThunk);
        auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto *byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char *>(byName->Name), info.name) != 0) continue;
            DWORD oldProtect;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &oldProtect);
            *static_cast<ULONG_PTR *>(entry.real) = slots->u1.Function;
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(entry.hook);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), oldProtect, &oldProtect);
        }
    }
}

} // namespace

const ApiInfo &InfoOf(Api api)
{
    return g_apiInfo[static_cast<size_t>(api)];
}

void InstallApiHooks()
{
    static bool installed;
    if (installed) return;
    installed = true;
#define HOOK_ENTRY(dll, name, traceArgs, traceResult)                                                                  \
    {&decltype(HookOf<Api::name>(&::name))::real,                                                                      \
     reinterpret_cast<void *>(&decltype(HookOf<Api::name>(&::name))::Hook)},
    const HookEntry entries[] = {HOOKED_APIS(HOOK_ENTRY)};
#undef HOOK_ENTRY
    // A test program that does not import a function never calls it.
    for (size_t i = 0; i < std::size(entries); ++i) PatchImport(GetModuleHandleA(nullptr), g_apiInfo[i], entries[i]);
}

void StartRecording()
{
    g_calls.clear();
    g_counts.clear();
    g_failAt.clear();
    g_recording = true;
}

void FailCall(Api api, int nth)
{
    g_failAt[api] = nth;
}

std::vector<ApiCall> StopRecording()
{
    g_recording = false;
    g_failAt.clear();
    return std::move(g_calls);
}

std::vector<ApiCall> CallsOf(const std::vector<ApiCall> &calls, Api api)
{
    std::vector<ApiCall> matching;
    for (const ApiCall &call : calls)
        if (call.api == api) matching.push_back(call);
    return matching;
}

std::vector<uintptr_t> UnreleasedObjects(const std::vector<ApiCall> &calls)
{
    std::vector<uintptr_t> live;
    for (const ApiCall &call : calls) {
        switch (call.api) {
        case Api::CreateCompatibleDC:
        case Api::CreateDIBSection:
        case Api::ExtCreateRegion:
            if (call.result) live.push_back(call.result);
            break;
        case Api::DeleteDC:
        case Api::DeleteObject:
            if (call.result) live.erase(std::remove(live.begin(), live.end(), call.args[0]), live.end());
            break;
        default: break;
        }
    }
    return live;
}
