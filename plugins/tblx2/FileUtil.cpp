#include "FileUtil.h"

#include "Table.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tblx2 {
namespace {

// Permission bits for a file that did not exist before: what creat() with
// 0666 would give under the current umask.
mode_t DefaultFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int ReadWholeFile(const char* path, uint64_t maxBytes, std::string& out)
{
    out.clear();
    // Non-blocking so that a FIFO is refused below instead of waiting for a
    // writer; for regular files the flag changes nothing.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return kErrOpen;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return kErrOpen;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        close(fd);
        return kErrTooLarge;
    }
    out.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            return kErrRead;
        }
        if (n == 0)
            break;
        if (out.size() + static_cast<size_t>(n) > maxBytes) {
            close(fd);
            return kErrTooLarge;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return kOk;
}

bool CScratchCopy::Make(const std::string& bytes, const std::string& folder)
{
    return MakeInMemory(bytes) || MakeInFolder(bytes, folder);
}

bool CScratchCopy::MakeInMemory(const std::string& bytes)
{
    Drop();
    const int fd = memfd_create("tblx2-copy", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    // The library opens the name again: that must give this very file, or
    // the copy is of no use (no /proc, or one that does not reopen).
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    if (ok) {
        const int again = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat mine {}, seen {};
        ok = again >= 0 && fstat(fd, &mine) == 0 && fstat(again, &seen) == 0 && mine.st_dev == seen.st_dev &&
             mine.st_ino == seen.st_ino && seen.st_size == static_cast<off_t>(bytes.size());
        if (again >= 0)
            close(again);
    }
    if (!ok) {
        close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_inFolder = false;
    return true;
}

bool CScratchCopy::MakeInFolder(const std::string& bytes, const std::string& folder)
{
    Drop();
    if (folder.empty())
        return false;
    std::string name = folder + (folder.back() == '/' ? "" : "/") + ".tblx2-XXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    if (!WriteAll(fd, bytes.data(), bytes.size())) {
        unlink(name.c_str());
        close(fd);
        return false;
    }
    m_fd = fd;
    m_path = name;
    m_inFolder = true;
    return true;
}

void CScratchCopy::Drop()
{
    // Removed by name before the descriptor goes, so the name cannot have
    // been given to another file in between.
    if (m_inFolder && !m_path.empty())
        unlink(m_path.c_str());
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    m_path.clear();
    m_inFolder = false;
}

std::string ScratchFolderFor(const char* path)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
        (st.st_mode & 077) == 0)
        return runtime;
    const std::string workbook(path);
    const size_t slash = workbook.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : workbook.substr(0, slash);
}

std::string MakeSiblingTemp(const char* path)
{
    std::string name = std::string(path) + ".XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return {};
    close(fd);
    return name;
}

int CommitSiblingTemp(const std::string& temp, const char* path)
{
    const int fd = open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    const bool flushed = fd >= 0 && fsync(fd) == 0;
    if (fd >= 0)
        close(fd);
    if (!flushed) {
        unlink(temp.c_str());
        return kErrRead;
    }
    return RenameSiblingTemp(temp, path);
}

int RenameSiblingTemp(const std::string& temp, const char* path)
{
    struct stat st {};
    const mode_t mode = stat(path, &st) == 0 ? (st.st_mode & 07777) : DefaultFileMode();
    chmod(temp.c_str(), mode);
    if (rename(temp.c_str(), path) != 0) {
        unlink(temp.c_str());
        return kErrOpen;
    }
    return kOk;
}

int ReplaceFile(const char* path, const std::string& bytes, bool durable)
{
    const std::string temp = MakeSiblingTemp(path);
    if (temp.empty())
        return kErrOpen;
    const int fd = open(temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = fd >= 0 && WriteAll(fd, bytes.data(), bytes.size()) && (!durable || fsync(fd) == 0);
    if (fd >= 0 && close(fd) != 0)
        ok = false;
    if (!ok) {
        unlink(temp.c_str());
        return kErrRead;
    }
    return RenameSiblingTemp(temp, path);
}

}  // namespace tblx2
