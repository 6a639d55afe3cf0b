#include "games/fileio.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string describeFileError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = describeFileError("cannot open", path);
        return false;
    }
    bytes.clear();
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    bool failed = std::ferror(file) != 0;
    if (failed) error = describeFileError("cannot read", path);
    std::fclose(file);
    return !failed;
}

bool writeAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += size_t(written);
    }
    return true;
}
