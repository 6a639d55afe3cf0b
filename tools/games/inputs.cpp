#include "games/inputs.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "games/ascii.h"
#include "games/encoding.h"
#include "games/pgn.h"
#include "games/textgames.h"
#include "games/xqf.h"

namespace fs = std::filesystem;

namespace {

// Whether the first line that is not blank or a comment starts with a move or "fen", as
// a file of games in text does; the lists and notes kept in folders of games do not.
bool looksLikeTextGames(const std::string& bytes) {
    size_t at = byteOrderMarkLength(bytes);
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        std::string_view line(bytes.data() + at, end - at);
        at = end + 1;
        size_t begin = line.find_first_not_of(" \t\r");
        if (begin == std::string_view::npos || line[begin] == '#') continue;
        line.remove_prefix(begin);
        std::string_view token = line.substr(0, line.find_first_of(" \t\r"));
        uint32_t packed;
        return token == "fen" || parseMoveToken(token, packed);
    }
    return false;
}

bool listFolder(const fs::path& folder, std::vector<InputFile>& files, std::string& error) {
    std::vector<std::string> found;
    std::error_code failure;
    fs::recursive_directory_iterator it(folder, failure), end;
    for (; !failure && it != end; it.increment(failure)) {
        std::string name = it->path().filename().string();
        if (!name.empty() && name[0] == '.') {
            if (it->is_directory(failure)) it.disable_recursion_pending();
            failure.clear();
            continue;
        }
        std::error_code ignored;
        if (it->is_regular_file(ignored)) found.push_back(it->path().string());
    }
    if (failure) {
        error = "cannot list " + folder.string() + ": " + failure.message();
        return false;
    }
    std::sort(found.begin(), found.end());
    for (std::string& path : found) files.push_back({std::move(path), true});
    return true;
}

}  // namespace

bool listInputFiles(const std::vector<std::string>& inputs, std::vector<InputFile>& files,
                    std::string& error) {
    for (const std::string& input : inputs) {
        std::error_code failure;
        fs::file_status status = fs::status(input, failure);
        if (failure || !fs::exists(status)) {
            error = "cannot open " + input + ": no such file or folder";
            return false;
        }
        if (fs::is_directory(status)) {
            if (!listFolder(input, files, error)) return false;
        } else {
            files.push_back({input, false});
        }
    }
    return true;
}

bool readGameFile(const InputFile& file, const std::string& bytes, const GameSink& sink) {
    if (isXqfInput(bytes)) {
        readXqfGames(bytes, sink);
    } else if (isPgnInput(file.path, bytes)) {
        readPgnGames(bytes, sink);
    } else if (!file.inFolder ||
               (endsWithIgnoringCase(file.path, ".txt") && looksLikeTextGames(bytes))) {
        readTextGames(bytes, sink);
    } else {
        return false;
    }
    return true;
}
