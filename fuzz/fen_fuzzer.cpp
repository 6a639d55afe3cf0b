// The FEN reader and move lists on arbitrary text (see fuzz_common.h for the script
// format). After every accepted step the Position must be consistent; then its moves are
// checked against each other: make and unmake restore it exactly, the single-move tests
// agree with the generator, and the position rotated by half a turn with the colours
// swapped has the same moves and the same evaluation.
#include "eval/evaluate.h"
#include "fuzz_common.h"

namespace {

Position loaded, scratch, rotated;

// The square seen from the other side: ranks and files both mirrored.
Square rotate(Square sq) {
    return Square(254 - sq);
}
Move rotate(Move mv) {
    return makeMoveCode(rotate(moveFrom(mv)), rotate(moveTo(mv)));
}

// FEN text of the board turned half a turn with red and black exchanged; the other side
// is to move.
std::string rotatedFen(const Position& pos) {
    static const char kLetters[] = "KABNRCP";
    std::string fen;
    for (int rank = 3; rank <= 12; rank++) {
        int empty = 0;
        for (int file = 3; file <= 11; file++) {
            PieceIndex piece = pos.board[rotate(Square(rank * 16 + file))];
            if (piece == 0) {
                empty++;
                continue;
            }
            if (empty > 0) fen += char('0' + empty);
            empty = 0;
            char letter = kLetters[pieceTypeOf[piece] - 1];
            // Red pieces become black ones (lower case) and black ones red.
            fen += piece & RED_BIT ? char(letter - 'A' + 'a') : letter;
        }
        if (empty > 0) fen += char('0' + empty);
        if (rank < 12) fen += '/';
    }
    fen += pos.side == RED ? " b" : " w";
    return fen;
}

void checkMakeUnmake(Position& pos, const MoveList& legal) {
    scratch = pos;
    for (int i = 0; i < legal.count; i++) {
        Move mv = legal.moves[i];
        UndoRecord undo;
        makeMove(pos, mv, undo);
        std::string fault = fuzz::positionFault(pos, false);
        if (!fault.empty()) fuzz::fail("after a legal move", fuzz::moveName(mv) + ": " + fault);
        // One reply deep: every pseudo-legal answer is taken back exactly too.
        MoveList replies;
        generateAllMoves(replies, pos);
        uint64_t key = pos.key;
        for (int j = 0; j < replies.count; j++) {
            UndoRecord replyUndo;
            makeMove(pos, replies.moves[j], replyUndo);
            if (pos.key != computeKey(pos))
                fuzz::fail("key after a reply", fuzz::moveName(replies.moves[j]));
            unmakeMove(pos, replies.moves[j], replyUndo);
            if (pos.key != key) fuzz::fail("unmake of a reply", fuzz::moveName(replies.moves[j]));
        }
        unmakeMove(pos, mv, undo);
        if (!fuzz::samePosition(pos, scratch)) fuzz::fail("unmake", fuzz::moveName(mv));
    }
}

// Every on-board (from, to) pair with an own piece on `from`: the tests that the search
// applies to hash and killer moves, and isFullyLegal, against the generated list.
void checkSingleMoveTests(Position& pos, const MoveList& legal) {
    MoveList pseudo;
    generateAllMoves(pseudo, pos);
    const int own = sideBase(pos.side);
    for (int from = 0; from < 256; from++) {
        if (!inBoard[from] || (pos.board[from] & own) == 0) continue;
        for (int to = 0; to < 256; to++) {
            if (!inBoard[to]) continue;
            Move mv = makeMoveCode(Square(from), Square(to));
            bool generated = fuzz::inList(pseudo, mv);
            bool pseudoLegal = isPseudoLegal(mv, pos);
            // isFullyLegal regenerates the moves: asked only where an answer may be yes.
            if ((generated || pseudoLegal) && isFullyLegal(mv, pos) != fuzz::inList(legal, mv))
                fuzz::fail("isFullyLegal", fuzz::moveName(mv));
            if (generated) {
                // The shortcut legality test against a full make.
                UndoRecord undo;
                makeMove(pos, mv, undo);
                bool safe = !isSideInCheck(pos, undo.side);
                bool check = isSideInCheck(pos, pos.side);
                unmakeMove(pos, mv, undo);
                if (isLegalMove(mv, pos) != safe) fuzz::fail("isLegalMove", fuzz::moveName(mv));
                if (safe && givesCheck(mv, pos) != check)
                    fuzz::fail("givesCheck", fuzz::moveName(mv));
                if (!pseudoLegal)
                    fuzz::fail("isPseudoLegal refuses a generated move", fuzz::moveName(mv));
            } else if (pseudoLegal) {
                fuzz::fail("isPseudoLegal accepts a move the generator does not make",
                           fuzz::moveName(mv));
            }
            if (isPseudoLegalQuiet(mv, pos) != (pseudoLegal && pos.board[to] == 0))
                fuzz::fail("isPseudoLegalQuiet", fuzz::moveName(mv));
        }
    }
}

void checkRotation(Position& pos, const MoveList& legal) {
    // The rotated board is a position only when the original is one without history:
    // the rule about the side not to move holds for both or neither.
    if (!setupFen(rotated, rotatedFen(pos).c_str()))
        fuzz::fail("rotated FEN refused", rotatedFen(pos));
    MoveList mirrored;
    generateLegalMoves(mirrored, rotated);
    if (mirrored.count != legal.count) fuzz::fail("rotated move count", rotatedFen(pos));
    for (int i = 0; i < legal.count; i++) {
        if (!fuzz::inList(mirrored, rotate(legal.moves[i])))
            fuzz::fail("rotated move missing",
                       fuzz::moveName(legal.moves[i]) + " in " + rotatedFen(pos));
    }
    int original = evaluate(-MATE_SCORE, MATE_SCORE, pos);
    int turned = evaluate(-MATE_SCORE, MATE_SCORE, rotated);
    if (original != turned)
        fuzz::fail(
            "evaluation differs when rotated",
            std::to_string(original) + " vs " + std::to_string(turned) + " for " + rotatedFen(pos));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::initOnce();
    fuzz::Script script = fuzz::parseScript(data, size);
    bool accepted = fuzz::playScript(script, loaded, [](const Position& pos) {
        fuzz::expectSound(pos, "after loading");
        if (pos.rootCount != pos.historyCount) fuzz::fail("root is not the last position");
    });
    if (!accepted) return 0;

    MoveList legal;
    generateLegalMoves(legal, loaded);
    checkMakeUnmake(loaded, legal);
    checkSingleMoveTests(loaded, legal);
    checkRotation(loaded, legal);
    return 0;
}
