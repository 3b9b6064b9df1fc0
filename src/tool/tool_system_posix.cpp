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

// How many symbolic links an output may lie behind, as the kernel allows.
constexpr int kMostLinks = 40;

std::string CannotBeWritten(int error)
{
    return std::string("cannot be written: ") + std::strerror(error);
}

// Writes all of the bytes to fd, with them on the disk first when flush, and
// closes it; on failure *pError says why.
bool WriteAllAndClose(int fd, const std::vector<uint8_t> &bytes, bool flush, std::string *pError)
{
    int error = 0;
    for (size_t done = 0; done < bytes.size() && !error;) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written > 0)
            done += static_cast<size_t>(written);
        else if (written == 0)
            error = EIO;
        else if (errno != EINTR)
            error = errno;
    }
    if (!error && flush && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (!error) return true;
    *pError = CannotBeWritten(error);
    return false;
}

// The folder a name lies in, as a prefix for a name beside it: "" for the
// current folder.
std::string FolderOf(const std::string &path)
{
    return path.substr(0, path.rfind('/') + 1);
}

// The name that the output's bytes go to: path, or the file its symbolic
// links lead to, which may not exist yet. False, with errno, for a loop.
bool FollowLinks(const std::string &path, std::string *pTarget)
{
    *pTarget = path;
    for (int links = 0; links <= kMostLinks; ++links) {
        char link[PATH_MAX];
        const ssize_t length = readlink(pTarget->c_str(), link, sizeof(link));
        if (length < 0 || length == sizeof(link)) return true; // no link (or one no name can hold)
        const std::string to(link, static_cast<size_t>(length));
        *pTarget = to[0] == '/' ? to : FolderOf(*pTarget) + to;
    }
    errno = ELOOP;
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

// A device or a pipe takes the bytes as they come: nothing can be put in its
// place, and a file put there would take the place of the device.
WriteOutcome WriteInto(const std::string &path, const std::vector<uint8_t> &bytes, std::string *pError)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        *pError = CannotBeWritten(errno);
        return WriteOutcome::kFailed;
    }
    return WriteAllAndClose(fd, bytes, false, pError) ? WriteOutcome::kWritten : WriteOutcome::kFailed;
}

} // namespace

bool ReadFileBytes(const std::string &path, std::vector<uint8_t> *pBytes, std::string *pError)
{
    // Without waiting: a FIFO would otherwise hold the tool until something
    // writes to it. A regular file reads the same either way.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    std::FILE *file = fd < 0 ? nullptr : fdopen(fd, "rb");
    if (!file) {
        *pError = std::string("cannot be opened: ") + std::strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
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
    struct stat st;
    if (replace && stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return WriteInto(path, bytes, pError);
    // Replacing follows symbolic links, so that a link stays one and its
    // target gets the bytes; without replacing, a link is a file there.
    std::string target = path;
    if (replace && !FollowLinks(path, &target)) {
        *pError = CannotBeWritten(errno);
        return WriteOutcome::kFailed;
    }
    const bool replacing = replace && stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    // A short name, whatever the length of the output's: any name the folder
    // takes can be the output's.
    std::string temp = FolderOf(target) + ".brimshade-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        *pError = std::string("cannot be created: ") + std::strerror(errno);
        return WriteOutcome::kFailed;
    }
    // On the disk before it takes the place of a file, so that a power cut
    // leaves the old file or the new one, never an empty one.
    if (!WriteAllAndClose(fd, bytes, replacing, pError)) {
        unlink(temp.c_str());
        return WriteOutcome::kFailed;
    }
    // mkstemp makes the file private; the output is an ordinary file.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temp.c_str(), 0666 & ~mask);
    const bool moved =
        replace ? std::rename(temp.c_str(), target.c_str()) == 0 : MoveIntoPlaceKeepingExisting(temp, target);
    if (moved) return WriteOutcome::kWritten;
    const int moveErrno = errno;
    unlink(temp.c_str());
    if (moveErrno == EEXIST) return WriteOutcome::kExists;
    *pError = CannotBeWritten(moveErrno);
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
    return FolderOf(std::string(self, static_cast<size_t>(length)));
}

void PrintOut(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintError(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
}

bool FlushOut(std::string *pError)
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    *pError = std::strerror(errno ? errno : EIO);
    return false;
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
