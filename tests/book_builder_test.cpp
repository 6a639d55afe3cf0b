// qarn-book seen from outside, by the session in tests/golden/book_tool.txt: builds from
// text and PGN collections, the file's bytes, dump and probe, error reports, usage and
// exit codes; and the engine playing from a freshly built book.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "harness.h"

namespace {

const std::string kInputs = QARN_SOURCE_DIR "/tests/data/book";

// Runs qarn-book and describes the run: output, errors and exit code, the temporary
// directory written as OUT.
std::string runBook(const std::string& dir, const std::vector<std::string>& args) {
    std::string out = runProgram(toolPath("qarn-book"), args);
    for (const auto& [path, name] : {std::pair{dir, "OUT"}, {kInputs, "IN"}}) {
        for (size_t at; (at = out.find(path)) != std::string::npos;)
            out.replace(at, path.size(), name);
    }
    return out;
}

}  // namespace

// A line is qarn-book's arguments (IN and OUT stand for the directories, "|" for a blank
// inside an argument), or "bytes FILE" (the file in hex), or "damage HOW" (writes a damaged
// copy of a.bin as bad.bin).
TEST(BookBuilder, SessionMatches) {
    std::string dir = makeTempDir();
    expectReplay("book_tool.txt", [&](const std::string& input) {
        std::vector<std::string> args;
        std::istringstream words(input);
        for (std::string word; words >> word;) {
            for (auto [name, path] : {std::pair{"OUT", dir}, {"IN", kInputs}})
                if (startsWith(word, name)) word.replace(0, std::strlen(name), path);
            for (char& c : word) c = c == '|' ? ' ' : c;
            args.push_back(word);
        }
        std::string bytes = readFile(dir + "/a.bin"), out;
        if (!args.empty() && args[0] == "bytes") {
            bytes = readFile(args[1]);
            char hex[4];
            for (size_t i = 0; i < bytes.size(); i++) {
                std::snprintf(hex, sizeof hex, "%02x", unsigned(uint8_t(bytes[i])));
                out += hex + std::string(i % 16 == 15 || i + 1 == bytes.size() ? "\n" : " ");
            }
            return out;
        }
        if (!args.empty() && args[0] == "damage") {
            size_t keep = args[1] == "cut"    ? bytes.size() - 1
                          : args[1] == "keep" ? std::stoul(args[2])
                                              : bytes.size();
            if (args[1] == "magic") bytes.replace(0, 4, "\x04\x03\x02\x01");
            writeFile(dir + "/bad.bin", bytes.substr(0, keep));
            return out;
        }
        return runBook(dir, args);
    });
}

TEST(BookBuilder, FailedBuildsLeaveTheBookUntouched) {
    std::string dir = makeTempDir();
    std::string book = dir + "/out.bin";
    writeFile(book, "old book");
    writeFile(dir + "/lines.txt", "h2e2\n");
    for (const std::string& input : {dir + "/missing.txt", dir + "/lines.txt/x"}) {
        std::string run = runBook(dir, {"build", book, dir + "/lines.txt", input});
        EXPECT_NE(run.find("exit 2\n"), std::string::npos) << run;
    }
    EXPECT_EQ(readFile(book), "old book");
    DIR* listing = opendir(dir.c_str());
    ASSERT_NE(listing, nullptr);
    int entries = 0;
    while (readdir(listing) != nullptr) entries++;
    closedir(listing);
    EXPECT_EQ(entries, 4);  // ".", "..", out.bin, lines.txt: no temporary file left behind
}

TEST(BookBuilder, TheEngineOffersTheBuiltCandidates) {
    std::string dir = makeTempDir();
    runBook(dir, {"build", dir + "/qarn.bin", kInputs + "/lines.txt"});
    Engine engine(dir, dir + "/qarn");
    ASSERT_FALSE(engine.startupLines.empty());
    EXPECT_EQ(engine.startupLines[0], "book moves count=4.");
    auto lines = engine.go("go depth 5");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(
        std::vector<std::string>(lines.begin(), lines.begin() + 2),
        (std::vector<std::string>{"info depth 0 score 0 pv h2e2", "info depth 0 score 0 pv b2e2"}));
    EXPECT_TRUE(lines.back() == "bestmove h2e2" || lines.back() == "bestmove b2e2") << lines.back();
}
