// The tools' output byte for byte (times and speeds masked), exit codes and usage texts,
// by tests/golden/tools.txt ("|" stands for a blank inside an argument); qarn-bench's
// node counts per position are the search's signature at depth 4.
#include <gtest/gtest.h>

#include <sstream>

#include "harness.h"

TEST(Tools, OutputsMatch) {
    expectReplay("tools.txt", [](const std::string& input) {
        std::istringstream words(input);
        std::string tool;
        std::vector<std::string> args;
        words >> tool;
        for (std::string word; words >> word; args.push_back(word))
            for (char& c : word) c = c == '|' ? ' ' : c;
        return maskClock(runProgram(toolPath(tool), args, 120000));
    });
}
