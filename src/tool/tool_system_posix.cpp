// The picture tool's system on Linux (tool_system.h).
#include "tool_system.h"

#include "file_refusals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// Writes all of the bytes to fd and closes it; on failure *pError says why.
bool WriteAllAndClose(int fd, const std::vector<uint8_t> &bytes, std::string *pError)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += static_cast<size_t>(written);
    }
    const int writeErrno = errno;
    const bool closed = close(fd) == 0;
    if (done == bytes.size() && closed) return true;
    *pError = std::string("cannot be written: ") + std::strerror(done != bytes.size() ? writeErrno : errno);
    return false;
}

// Moves the written file to path unless a file is there already, in one
// step. File systems that cannot rename so (NFS) can still link.
bool MoveIntoPlaceKeepingExisting(const std::string &temp, const std::string &path)
{
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL || link(temp.c_str(), path.c_str()) != 0) return false;
    unlink(temp.c_str());
    return true;
}

} // namespace

bool ReadFileBytes(const std::string &path, std::vector<uint8_t> *pBytes, std::string *pError)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *pError = std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    struct stat st;
    bool ok = fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) {
        *pError = NotARegularFile();
    } else if (st.st_size > kMaxFileBytes) {
        *pError = LargerThanAnyFileRead(st.st_size);
        ok = false;
    } else {
        pBytes->resize(static_cast<size_t>(st.st_size));
        ok = std::fread(pBytes->data(), 1, pBytes->size(), file) == pBytes->size();
        if (!ok) *pError = "cannot be read";
    }
    std::fclose(file);
    return ok;
}

WriteOutcome WriteFileWhole(const std::string &path, const std::vector<uint8_t> &bytes, bool replace,
                            std::string *pError)
{
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        *pError = std::string("cannot be created: ") + std::strerror(errno);
        return WriteOutcome::kFailed;
    }
    if (!WriteAllAndClose(fd, bytes, pError)) {
        unlink(temp.c_str());
        return WriteOutcome::kFailed;
    }
    // mkstemp makes the file private; the output is an ordinary file.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temp.c_str(), 0666 & ~mask);
    const bool moved =
        replace ? std::rename(temp.c_str(), path.c_str()) == 0 : MoveIntoPlaceKeepingExisting(temp, path);
    if (moved) return WriteOutcome::kWritten;
    const int moveErrno = errno;
    unlink(temp.c_str());
    if (moveErrno == EEXIST) return WriteOutcome::kExists;
    *pError = std::string("cannot be written: ") + std::strerror(moveErrno);
    return WriteOutcome::kFailed;
}

bool IsRegularFile(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ToolDirectory()
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self));
    if (length <= 0 || length == sizeof(self)) return "";
    const std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

void PrintOut(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintError(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
}

// A terminal stays open after the tool ends.
void KeepOwnConsoleOpen() {}

int main(int argc, char **argv)
{
    // A file size limit then fails the write, which is reported and cleaned
    // up, instead of killing the tool with its temporary file left behind.
    signal(SIGXFSZ, SIG_IGN);
    return RunTool(std::vector<std::string>(argv + 1, argv + argc));
}
