// The picture tool's system on Windows (tool_system.h). Names are UTF-16
// there: the tool takes its arguments as such and opens files by their
// UTF-16 names, through the "\\?\" form, which lifts the 260-character limit
// on paths. To the rest of the tool they are UTF-8 (WTF-8, strictly: a lone
// surrogate, which a Windows name may hold, is kept as its 3 bytes, so that
// every name comes back as it was).
#include "tool_system.h"

#include "file_refusals.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Appends code point c as UTF-8 (a surrogate as 3 bytes, WTF-8).
void AppendUtf8(std::string *pText, uint32_t c)
{
    if (c < 0x80) {
        *pText += static_cast<char>(c);
        return;
    }
    const int continuations = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    *pText += static_cast<char>(kLead[continuations] | c >> (6 * continuations));
    for (int i = continuations - 1; i >= 0; --i) *pText += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
}

std::string Utf8(const wchar_t *pText, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        uint32_t c = pText[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && pText[i + 1] >= 0xDC00 && pText[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (pText[++i] - 0xDC00);
        AppendUtf8(&text, c);
    }
    return text;
}

std::string Utf8(const std::wstring &text)
{
    return Utf8(text.data(), text.size());
}

// UTF-8 (or WTF-8) as UTF-16; a byte that starts no sequence becomes U+FFFD.
std::wstring Utf16(const std::string &text)
{
    std::wstring wide;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
    for (size_t i = 0, n = text.size(); i < n;) {
        const int continuations = p[i] >= 0xF0 ? 3 : p[i] >= 0xE0 ? 2 : p[i] >= 0xC0 ? 1 : 0;
        uint32_t c = continuations ? p[i] & (0x3F >> continuations) : p[i];
        bool valid = p[i] < 0x80 || (continuations && p[i] < 0xF8 && i + continuations < n);
        for (int k = 1; valid && k <= continuations; ++k) {
            valid = (p[i + k] & 0xC0) == 0x80;
            c = c << 6 | (p[i + k] & 0x3F);
        }
        if (!valid || c > 0x10FFFF) {
            wide += L'\xFFFD';
            ++i;
            continue;
        }
        i += 1 + continuations;
        if (c >= 0x10000) {
            wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + ((c - 0x10000) & 0x3FF);
        }
        wide += static_cast<wchar_t>(c);
    }
    return wide;
}

// The name to open a file by: its full path in the "\\?\" form, which takes
// paths of any length. Device names (NUL, CON) stay as Windows makes them.
std::wstring SystemPath(const std::string &path)
{
    const std::wstring wide = Utf16(path);
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return wide;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(wide.c_str(), length, &full[0], nullptr);
    full.resize(length);
    if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0) return full;
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// What went wrong, in the same words as on Linux where there are such.
std::string ErrorText(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: return "No such file or directory";
    case ERROR_ACCESS_DENIED: return "Permission denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "No space left on device";
    case ERROR_WRITE_PROTECT: return "Read-only file system";
    case ERROR_FILENAME_EXCED_RANGE: return "File name too long";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return "another program has it open";
    }
    wchar_t *pMessage = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                        nullptr, error, 0, reinterpret_cast<wchar_t *>(&pMessage), 0, nullptr);
    std::string text = length ? Utf8(pMessage, length) : "Windows error " + std::to_string(error);
    LocalFree(pMessage);
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    return text;
}

// The folder of a full name, with the separator at its end.
std::wstring FolderOf(const std::wstring &path)
{
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The longest name a folder holds, in UTF-16 units, as on Linux in bytes.
constexpr size_t kLongestName = 255;

// Why the finished file could not take the output's name. Windows says no
// more than "access denied" when the output is a program that is running or a
// file that another program holds open, and a read-only file gives the same.
std::string ReplaceErrorText(DWORD error, const std::wstring &target)
{
    // Windows may say that a name longer than any it takes does not exist.
    if (target.size() - FolderOf(target).size() > kLongestName) return "File name too long";
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ErrorText(error);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "Is a directory";
    if (error == ERROR_ACCESS_DENIED && !(attributes & FILE_ATTRIBUTE_READONLY))
        return "another program has it open, or it is a program that is running";
    return ErrorText(error);
}

// Writes all of the bytes to the file, with them on the disk first when
// flush, and closes it. The error of the call that failed, or ERROR_SUCCESS.
DWORD WriteAllAndClose(HANDLE hFile, const std::vector<uint8_t> &bytes, bool flush)
{
    DWORD error = ERROR_SUCCESS;
    for (size_t done = 0; done < bytes.size() && error == ERROR_SUCCESS;) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(hFile, bytes.data() + done, chunk, &written, nullptr))
            error = GetLastError();
        else if (written == 0)
            error = ERROR_WRITE_FAULT;
        done += written;
    }
    if (error == ERROR_SUCCESS && flush && !FlushFileBuffers(hFile)) error = GetLastError();
    if (!CloseHandle(hFile) && error == ERROR_SUCCESS) error = GetLastError();
    return error;
}

// Creates a new file in the folder of path for writing, under a name no
// other file has, as short whatever the length of path's own name, so that
// any name the folder takes can be the output's; *pTemp is its name.
HANDLE CreateTemporaryBeside(const std::wstring &path, std::wstring *pTemp)
{
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[32];
        swprintf(name, 32, L".brimshade-%08lX%02X.tmp", static_cast<unsigned long>(GetCurrentProcessId()), attempt);
        *pTemp = FolderOf(path) + name;
        HANDLE hFile =
            CreateFileW(pTemp->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return hFile;
    }
    return INVALID_HANDLE_VALUE;
}

// A device (NUL, a console, a pipe) takes the bytes as they come: nothing
// can be put in its place.
WriteOutcome WriteIntoDevice(const std::wstring &device, const std::vector<uint8_t> &bytes, std::string *pError)
{
    HANDLE hDevice = CreateFileW(device.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = hDevice == INVALID_HANDLE_VALUE ? GetLastError() : WriteAllAndClose(hDevice, bytes, false);
    if (error == ERROR_SUCCESS) return WriteOutcome::kWritten;
    *pError = "cannot be written: " + ErrorText(error);
    return WriteOutcome::kFailed;
}

void Print(DWORD stdHandle, std::FILE *stream, const std::string &text)
{
    HANDLE hOut = GetStdHandle(stdHandle);
    DWORD mode;
    if (!GetConsoleMode(hOut, &mode)) {
        std::fwrite(text.data(), 1, text.size(), stream);
        return;
    }
    // Older consoles refuse long writes: a piece at a time, never between the
    // two halves of a character beyond U+FFFF.
    const std::wstring wide = Utf16(text);
    const size_t kPiece = 8192;
    for (size_t at = 0; at < wide.size();) {
        size_t length = std::min(kPiece, wide.size() - at);
        if (at + length < wide.size() && wide[at + length - 1] >= 0xD800 && wide[at + length - 1] <= 0xDBFF) --length;
        DWORD written;
        if (!WriteConsoleW(hOut, wide.data() + at, static_cast<DWORD>(length), &written, nullptr)) return;
        at += length;
    }
}

} // namespace

bool ReadFileBytes(const std::string &path, std::vector<uint8_t> *pBytes, std::string *pError)
{
    const std::wstring name = SystemPath(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *pError = NotARegularFile();
        return false;
    }
    HANDLE hFile = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        *pError = "cannot be opened: " + ErrorText(GetLastError());
        return false;
    }
    LARGE_INTEGER size;
    bool ok = GetFileType(hFile) == FILE_TYPE_DISK && GetFileSizeEx(hFile, &size);
    if (!ok) {
        *pError = NotARegularFile();
    } else if (size.QuadPart > kMaxFileBytes) {
        *pError = LargerThanAnyFileRead(size.QuadPart);
        ok = false;
    } else {
        pBytes->resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = pBytes->empty() || (ReadFile(hFile, pBytes->data(), static_cast<DWORD>(pBytes->size()), &read, nullptr) &&
                                 read == pBytes->size());
        if (!ok) *pError = "cannot be read";
    }
    CloseHandle(hFile);
    return ok;
}

WriteOutcome WriteFileWhole(const std::string &path, const std::vector<uint8_t> &bytes, bool replace,
                            std::string *pError)
{
    const std::wstring target = SystemPath(path);
    // Device names keep the form Windows gives them, "\\.\NUL".
    if (replace && target.compare(0, 4, L"\\\\.\\") == 0) return WriteIntoDevice(target, bytes, pError);
    std::wstring temp;
    HANDLE hFile = CreateTemporaryBeside(target, &temp);
    if (hFile == INVALID_HANDLE_VALUE) {
        *pError = "cannot be created: " + ErrorText(GetLastError());
        return WriteOutcome::kFailed;
    }
    // On the disk before it takes the place of a file, so that a power cut
    // leaves the old file or the new one, never an empty one.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool replacing = replace && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    DWORD error = WriteAllAndClose(hFile, bytes, replacing);
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        *pError = "cannot be written: " + ErrorText(error);
        return WriteOutcome::kFailed;
    }
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExW(temp.c_str(), target.c_str(), flags)) return WriteOutcome::kWritten;
    error = GetLastError();
    DeleteFileW(temp.c_str());
    if (!replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) return WriteOutcome::kExists;
    *pError = "cannot be written: " + ReplaceErrorText(error, target);
    return WriteOutcome::kFailed;
}

bool IsRegularFile(const std::string &path)
{
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ToolDirectory()
{
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &self[0], static_cast<DWORD>(self.size()));
        if (length == 0) return "";
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        self.resize(2 * self.size());
    }
    const std::string path = Utf8(self);
    return path.substr(0, path.find_last_of("\\/") + 1);
}

void PrintOut(const std::string &text)
{
    Print(STD_OUTPUT_HANDLE, stdout, text);
}

void PrintError(const std::string &text)
{
    Print(STD_ERROR_HANDLE, stderr, text);
}

bool FlushOut(std::string *pError)
{
    // The C library keeps the system's error of its last failed call, and the
    // tool calls it for standard output and error alone. A write to a
    // character device fails at once, as that is not buffered.
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    *pError = ErrorText(_doserrno != ERROR_SUCCESS ? _doserrno : ERROR_WRITE_FAULT);
    return false;
}

void KeepOwnConsoleOpen()
{
    HANDLE hIn = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode, processes[2];
    if (!GetConsoleMode(hIn, &mode) || GetConsoleProcessList(processes, 2) != 1) return;
    PrintOut("Press any key to close this window.\n");
    FlushConsoleInputBuffer(hIn);
    INPUT_RECORD record;
    DWORD read;
    while (ReadConsoleInputW(hIn, &record, 1, &read) && read == 1)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
}

int wmain(int argc, wchar_t **argv)
{
    // The same bytes as on Linux: no newline becomes CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i], wcslen(argv[i])));
    return RunTool(args);
}
