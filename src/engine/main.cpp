// The process entry: handshake, book path, initialisation, id block, command loop.
#include "base/messages.h"
#include "base/output.h"
#include "base/platform.h"
#include "book/book.h"
#include "engine/commands.h"
#include "engine/init.h"
#include "engine/parser.h"

namespace {

constexpr char kVersion[] = "0.7.5  Q modify";

}  // namespace

int main(int, char** argv) {
    preparePlatform();
    if (waitForUcci() != e_CommUcci) {
        quitEngine();
        endProcess(1);
    }
    // A path too long for the buffer means no book, never a truncated path.
    setBookPathFromExecutable(executablePath(argv[0] != nullptr ? argv[0] : ""));
    initEngine();
    printFlush("id name Qarn chess engine %s\n", kVersion);
    printFlush("id copyright 2026 Qarn developers\n");
    printFlush("id author Qarn developers\n");
    printFlush("id user unknown\n");
    printFlush("ucciok\n");
    printFlush("%s\n", kScrHelp);
    printFlush("%s\n", kMoveHelp);
    endProcess(commandLoop());
}
