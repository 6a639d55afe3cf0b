#include "book/atomicwrite.h"

#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "games/fileio.h"

namespace {

#ifdef _WIN32
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY;

int syncFile(int fd) {
    return _commit(fd);
}

// rename() refuses an existing destination here.
bool replaceFile(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
        0) {
        return true;
    }
    errno = EACCES;  // the usual cause: the destination is open in another program
    return false;
}

// MOVEFILE_WRITE_THROUGH has made the rename durable.
void syncDirectoryOf(const std::string&) {}
#else
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;

int syncFile(int fd) {
    return fsync(fd);
}

bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

// Makes the rename itself durable; a failure here loses nothing that was asked for, so
// it is not reported.
void syncDirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}
#endif

}  // namespace

bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    std::string temporary = path + ".tmp." + std::to_string(getpid());
    int fd = open(temporary.c_str(), kCreateFlags, 0644);
    if (fd < 0) {
        error = describeFileError("cannot create", temporary);
        return false;
    }
    bool written = writeAll(fd, bytes) && syncFile(fd) == 0;
    if (!written) error = describeFileError("cannot write", temporary);
    if (close(fd) != 0 && written) {
        written = false;
        error = describeFileError("cannot write", temporary);
    }
    if (written && !replaceFile(temporary, path)) {
        written = false;
        error = describeFileError("cannot rename " + temporary + " to", path);
    }
    if (!written) {
        unlink(temporary.c_str());
        return false;
    }
    syncDirectoryOf(path);
    return true;
}
