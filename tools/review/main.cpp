// qarn-review: reviews games as an engine-assisted post-mortem: every position is searched,
// each move gets the score after it, and inaccuracies, mistakes and blunders are marked
// with the better move and its line, in annotated PGN (and an SVG graph and an HTML page
// per game).
//   qarn-review [OPTIONS] INPUT...
//   qarn-review [OPTIONS] [--fen FEN] --moves "h2e2 h9g7 ..."
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/platform.h"
#include "games/arguments.h"
#include "review/session.h"

namespace {

// The depth that reviews a game of 100 moves in about a minute on two cores (docs/review.md).
constexpr int DEFAULT_DEPTH = 11;

constexpr char kUsage[] =
    "usage: qarn-review [OPTIONS] INPUT...\n"
    "       qarn-review [OPTIONS] [--fen FEN] --moves \"h2e2 h9g7 ...\"\n"
    "Searches every position of the games, as a fresh engine without a book answers\n"
    "\"go depth D\", and writes each game as PGN annotated with the score after every move\n"
    "and the marks $6 (inaccuracy), $2 (mistake) and $4 (blunder), each with the better\n"
    "move and its line, and a summary of each side.\n"
    "  INPUT              a file or folder of games (XQF; PGN in ICCS, Chinese or WXF\n"
    "                     notation, UTF-8, GBK or Big5; text of UCCI moves), or - for\n"
    "                     standard input; folders are read recursively\n"
    "  --game N           only the Nth game of the inputs (1-based, in input order; a game\n"
    "                     tree counts as its main line)\n"
    "  --fen FEN          review a line typed here, from FEN (default: the start position)\n"
    "  --moves \"...\"      the moves of that line, in UCCI coordinates\n"
    "  --depth D          search each position to depth D, 1..31 (default %d)\n"
    "  --time S           search each position for S seconds instead, as \"go time S\"\n"
    "                     (the results then depend on the machine and its load)\n"
    "  -j N               use N processes (default: the number of cores, here %d)\n"
    "  -o FILE            write the PGN to FILE (default: standard output)\n"
    "  --notation NAME    chinese (default), wxf or iccs (H2-E2)\n"
    "  --encoding NAME    utf-8 (default) or gbk\n"
    "  --svg FILE         draw each game's course: FILE for one game; for several,\n"
    "                     game N's in FILE with -N before its extension (out-3.svg)\n"
    "  --html FILE        a page per game: the graph, the moves, and the position\n"
    "                     before each blunder (named as for --svg)\n"
    "exit status: 0 every game reviewed whole, 1 some game damaged (reviewed up to its\n"
    "fault, or skipped), 2 a usage error or an input or output that failed\n";

int coreCount() {
    long cores = sysconf(_SC_NPROCESSORS_ONLN);
    return cores > 0 ? int(cores) : 1;
}

int usage(bool asked = false) {
    std::fprintf(asked ? stdout : stderr, kUsage, DEFAULT_DEPTH, coreCount());
    return asked ? 0 : 2;
}

bool parseSeconds(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && value > 0 && value <= 3600;
}

}  // namespace

int main(int argc, char** argv) {
    preparePlatform();
    ReviewOptions options;
    options.processes = coreCount();
    options.search.depth = DEFAULT_DEPTH;
    bool depthGiven = false, timeGiven = false, fenGiven = false, movesGiven = false;
    std::string fen, moves;
    for (int i = 1; i < argc; i++) {
        if (std::string(argv[i]) == "--help") return usage(true);
    }
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        std::string value = hasValue ? argv[i + 1] : "";
        if (arg == "--depth") {
            if (!hasValue || !parseNumber(value, 1, 31, options.search.depth)) return usage();
            depthGiven = true;
        } else if (arg == "--time") {
            if (!hasValue || !parseSeconds(value, options.search.seconds)) return usage();
            timeGiven = true;
        } else if (arg == "-j") {
            if (!hasValue || !parseNumber(value, 1, 256, options.processes)) return usage();
        } else if (arg == "--game") {
            if (!hasValue || !parseNumber(value, 1, 1000000000, options.gameNumber)) return usage();
        } else if (arg == "--fen" || arg == "--moves") {
            if (!hasValue) return usage();
            (arg == "--fen" ? fen : moves) = value;
            (arg == "--fen" ? fenGiven : movesGiven) = true;
        } else if (arg == "-o" || arg == "--svg" || arg == "--html") {
            if (!hasValue || value.empty()) return usage();
            (arg == "-o"      ? options.outputPath
             : arg == "--svg" ? options.svgPath
                              : options.htmlPath) = value;
        } else if (arg == "--notation") {
            if (value == "chinese") {
                options.annotation.notation = Notation::Chinese;
            } else if (value == "wxf") {
                options.annotation.notation = Notation::Wxf;
            } else if (value == "iccs") {
                options.annotation.notation = Notation::Iccs;
            } else {
                return usage();
            }
        } else if (arg == "--encoding") {
            if (value == "utf-8" || value == "utf8") {
                options.annotation.encoding = TextEncoding::Utf8;
            } else if (value == "gbk") {
                options.annotation.encoding = TextEncoding::Gbk;
            } else {
                return usage();
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage();
        } else {
            options.inputs.push_back(arg);
            continue;
        }
        i++;
    }
    bool typed = fenGiven || movesGiven;
    if ((depthGiven && timeGiven) || typed == !options.inputs.empty() ||
        (typed && options.gameNumber != 0))
        return usage();
    if (timeGiven) options.search.depth = 0;
    if (typed) {
        options.typedLine = true;
        options.typedText = (fenGiven ? "fen " + fen + " moves " : "") + moves;
        // An empty line is no game to the text reader: a line without moves is its start.
        if (options.typedText.empty()) options.typedText = "moves";
    }
    char searchText[48];
    if (timeGiven) {
        std::snprintf(searchText, sizeof searchText, "time %gs", options.search.seconds);
    } else {
        std::snprintf(searchText, sizeof searchText, "depth %d", options.search.depth);
    }
    options.annotation.annotator = std::string("Qarn ") + QARN_VERSION + " " + searchText;
    return runReview(options);
}
