#include "games/fileio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string describe(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = describe("cannot open", path);
        return false;
    }
    bytes.clear();
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    bool failed = std::ferror(file) != 0;
    if (failed) error = describe("cannot read", path);
    std::fclose(file);
    return !failed;
}
