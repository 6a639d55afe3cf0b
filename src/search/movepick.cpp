#include "search/movepick.h"

#include <cstdint>
#include <cstring>

#include "position/makemove.h"

int32_t mvvLvaClass[48];
Move killerMoves[256][2];
uint16_t historyScore[ORDERING_TABLE_SIZE];
uint16_t cutoffCount[ORDERING_TABLE_SIZE];
uint16_t triedCount[ORDERING_TABLE_SIZE];

namespace {

// The stage sequences the pickers step through.
constexpr PickerStage kMainProgram[] = {STAGE_HASH, STAGE_CAPTURES, STAGE_KILLERS, STAGE_QUIETS,
                                        STAGE_END};
constexpr PickerStage kMainInCheckProgram[] = {STAGE_LEGAL_SORTED, STAGE_END};
constexpr PickerStage kQuiescenceProgram[] = {STAGE_CAPTURES, STAGE_END};
constexpr PickerStage kQuiescenceInCheckProgram[] = {STAGE_EVASIONS, STAGE_END};

inline int historyIndex(Move move, const Position& pos) {
    return (pieceKindOf[pos.board[moveFrom(move)]] << 8) + moveTo(move);
}

// Ordering scores, highest first: the hash move, captures (most valuable victim first,
// then least valuable attacker), the two killers, quiet moves by history. A quiet move's
// history (below HISTORY_LIMIT) keeps it below the killers.
constexpr int16_t HASH_MOVE_SCORE = 32766;
constexpr int16_t CAPTURE_BASE_SCORE = 4000;
constexpr int16_t FIRST_KILLER_SCORE = 4;
constexpr int16_t SECOND_KILLER_SCORE = 3;
constexpr int16_t NO_HISTORY_SCORE = -24000;
// A capture's victim class counts five times its attacker's, and the offset keeps the
// score above 0 (classes run 0..4).
constexpr int VICTIM_WEIGHT = 5;
constexpr int CAPTURE_OFFSET = 4;
// History scores, cut-off and tried counts are halved when one reaches this.
constexpr int HISTORY_LIMIT = 16384;
constexpr int STATISTICS_LIMIT = 16384;

inline int16_t captureScore(Move move, const Position& pos) {
    return int16_t(VICTIM_WEIGHT * mvvLvaClass[pos.board[moveTo(move)]] -
                   mvvLvaClass[pos.board[moveFrom(move)]] + CAPTURE_OFFSET);
}

void scoreCaptures(MoveList& list, const Position& pos) {
    if (list.count < 2) return;
    for (int i = 0; i < list.count; i++) list.scores[i] = captureScore(list.moves[i], pos);
}

void scoreQuiets(MoveList& list, const Position& pos) {
    if (list.count < 2) return;
    for (int i = 0; i < list.count; i++)
        list.scores[i] = int16_t(historyScore[historyIndex(list.moves[i], pos)] + NO_HISTORY_SCORE);
}

// sortMoveList for scored quiet moves. Those without history hold the lowest score, so the
// stable order puts them last as they came; only the others need the insertion sort.
void sortQuietMoves(MoveList& list) {
    const int count = list.count;
    if (count < 2) return;
    Move unscored[256];
    int kept = 0, unscoredCount = 0;
    for (int i = 0; i < count; i++) {
        if (list.scores[i] != NO_HISTORY_SCORE) {
            list.moves[kept] = list.moves[i];
            list.scores[kept] = list.scores[i];
            kept++;
        } else {
            unscored[unscoredCount++] = list.moves[i];
        }
    }
    list.count = kept;
    sortMoveList(list);
    list.count = count;
    for (int i = 0; i < unscoredCount; i++) {
        list.moves[kept + i] = unscored[i];
        list.scores[kept + i] = NO_HISTORY_SCORE;
    }
}

void scoreEvasions(MoveList& list, const Position& pos) {
    if (list.count < 2) return;
    for (int i = 0; i < list.count; i++) {
        Move move = list.moves[i];
        list.scores[i] = pos.board[moveTo(move)] != 0 ? captureScore(move, pos) : NO_HISTORY_SCORE;
    }
}

// The legality test of a picked move, with the node's legality info gathered at the first
// move that needs it. Out of check, a move of another piece than the king away from the
// king's lines needs none: many nodes end before such info would pay for itself.
template <typename Picker>
inline bool isLegalPick(Move move, Picker& picker) {
    Position& pos = *picker.pos;
    if (!picker.legalityReady) {
        Square king = pos.pieceSquare[sideBase(pos.side)];
        Square from = moveFrom(move), to = moveTo(move);
        if (!picker.inCheck && king != 0 && from != king && !nearKingLines(from, king) &&
            !nearKingLines(to, king))
            return true;
        computeLegalityInfo(pos, picker.legality);
        picker.legalityReady = true;
    }
    return isLegalMoveWithInfo(move, pos, picker.legality);
}

// Halves an entry pair of the cut-off statistics once its tried count reaches the limit.
void ageStatistics(int index) {
    if (triedCount[index] >= STATISTICS_LIMIT) {
        triedCount[index] = uint16_t((triedCount[index] + 1) / 2);
        cutoffCount[index] = uint16_t((cutoffCount[index] + 1) / 2);
    }
}

}  // namespace

void fillMvvLvaClass() {
    // By slot: king, advisors, bishops, knights, rooks, cannons, pawns.
    constexpr int32_t kClassBySlot[16] = {4, 1, 1, 1, 1, 2, 2, 3, 3, 2, 2, 0, 0, 0, 0, 0};
    for (int32_t& entry : mvvLvaClass) entry = 0;
    for (int p = FIRST_PIECE; p < PIECE_INDEX_END; p++) mvvLvaClass[p] = kClassBySlot[slotOf(p)];
}

void copyMoveList(MoveList& destination, const MoveList& source) {
    destination.count = source.count;
    std::memcpy(destination.moves, source.moves, sizeof(Move) * source.count);
    std::memcpy(destination.scores, source.scores, sizeof(int16_t) * source.count);
}

void sortMoveList(MoveList& list) {
    int count = list.count;
    if (count < 0) count = 0;
    list.scores[count] = INT16_MIN;  // the sentinel that ends every shift
    for (int i = count - 2; i >= 0; i--) {
        Move move = list.moves[i];
        int16_t score = list.scores[i];
        int j = i;
        while (list.scores[j + 1] > score) {
            list.moves[j] = list.moves[j + 1];
            list.scores[j] = list.scores[j + 1];
            j++;
        }
        list.moves[j] = move;
        list.scores[j] = score;
    }
}

void scoreByMoveCode(MoveList& list) {
    for (int i = 0; i < list.count; i++) list.scores[i] = int16_t(uint16_t(-list.moves[i]));
}

void clearSearchTables() {
    std::memset(killerMoves, 0, sizeof killerMoves);
    std::memset(historyScore, 0, sizeof historyScore);
    for (int i = 0; i < ORDERING_TABLE_SIZE; i++) {
        cutoffCount[i] = 1;
        triedCount[i] = 1;
    }
}

void updateKillersAndHistory(Move move, const Position& pos, int depth, int ply) {
    if (pos.board[moveTo(move)] != 0) return;
    Move* killers = killerMoves[ply];
    if (move != killers[0]) {
        killers[1] = killers[0];
        killers[0] = move;
    }
    int index = historyIndex(move, pos);
    historyScore[index] = uint16_t(historyScore[index] + depth * depth);
    if (historyScore[index] >= HISTORY_LIMIT) {
        for (uint16_t& h : historyScore) h = uint16_t((h + 1) / 2);
    }
}

void recordCutoff(Move move, const Position& pos) {
    if (pos.board[moveTo(move)] != 0) return;
    int index = historyIndex(move, pos);
    cutoffCount[index]++;
    triedCount[index]++;
    ageStatistics(index);
}

void recordTried(Move move, const Position& pos) {
    if (pos.board[moveTo(move)] != 0) return;
    int index = historyIndex(move, pos);
    triedCount[index]++;
    ageStatistics(index);
}

void scoreMoves(MoveList& list, const Position& pos, int ply, Move hashMove) {
    if (list.count < 2) return;
    const Move* killers = killerMoves[ply];
    for (int i = 0; i < list.count; i++) {
        Move move = list.moves[i];
        int16_t score;
        if (move == hashMove) {
            score = HASH_MOVE_SCORE;
        } else if (pos.board[moveTo(move)] != 0) {
            score = int16_t(CAPTURE_BASE_SCORE + captureScore(move, pos));
        } else if (move == killers[0]) {
            score = FIRST_KILLER_SCORE;
        } else if (move == killers[1]) {
            score = SECOND_KILLER_SCORE;
        } else {
            score = int16_t(historyScore[historyIndex(move, pos)] + NO_HISTORY_SCORE);
        }
        list.scores[i] = score;
    }
}

void initMovePicker(MovePicker& picker, Position& pos, bool inCheck, int ply, Move hashMove) {
    picker.pos = &pos;
    picker.inCheck = inCheck;
    picker.hashMove = hashMove;
    picker.legalityReady = false;
    picker.killers[0] = killerMoves[ply][0];
    picker.killers[1] = killerMoves[ply][1];
    picker.index = 0;
    if (inCheck) {
        generateLegalMovesOnCopy(picker.list, pos);
        scoreMoves(picker.list, pos, ply, hashMove);
        sortMoveList(picker.list);
        picker.stage = kMainInCheckProgram;
    } else {
        picker.list.count = 0;
        picker.stage = kMainProgram;
        // The hash-move stage is prepared by the first nextMove.
        picker.index = -1;
    }
}

Move nextMove(MovePicker& picker) {
    picker.cutoffs = 1;
    picker.tries = 1;
    Position& pos = *picker.pos;
    for (;;) {
        switch (*picker.stage) {
            case STAGE_LEGAL_SORTED:
                if (picker.index < picker.list.count) return picker.list.moves[picker.index++];
                break;
            case STAGE_HASH:
                if (picker.index < 0) {
                    picker.index = 0;
                    Move hash = picker.hashMove;
                    if (hash != 0 && isPseudoLegal(hash, pos) && isLegalPick(hash, picker))
                        return hash;
                }
                break;
            case STAGE_CAPTURES:
                while (picker.index < picker.list.count) {
                    Move move = picker.list.moves[picker.index++];
                    if (move != picker.hashMove && isLegalPick(move, picker)) return move;
                }
                break;
            case STAGE_KILLERS:
                while (picker.index < 2) {
                    Move move = picker.killers[picker.index++];
                    if (move == 0 || move == picker.hashMove) continue;
                    if (isPseudoLegalQuiet(move, pos) && isLegalPick(move, picker)) return move;
                }
                break;
            case STAGE_QUIETS:
                while (picker.index < picker.list.count) {
                    Move move = picker.list.moves[picker.index++];
                    if (move == picker.hashMove || move == picker.killers[0] ||
                        move == picker.killers[1] || !isLegalPick(move, picker))
                        continue;
                    int index = historyIndex(move, pos);
                    picker.cutoffs = cutoffCount[index];
                    picker.tries = triedCount[index];
                    return move;
                }
                break;
            default:
                return 0;
        }
        // The current stage is used up: prepare the next one.
        picker.stage++;
        picker.index = 0;
        switch (*picker.stage) {
            case STAGE_CAPTURES:
                generateCaptures(picker.list, pos);
                scoreCaptures(picker.list, pos);
                sortMoveList(picker.list);
                break;
            case STAGE_QUIETS:
                generateQuietMoves(picker.list, pos);
                scoreQuiets(picker.list, pos);
                sortQuietMoves(picker.list);
                break;
            default:
                break;
        }
    }
}

void initQuiescencePicker(QuiescencePicker& picker, Position& pos, bool inCheck) {
    picker.pos = &pos;
    picker.inCheck = inCheck;
    picker.legalityReady = false;
    picker.index = 0;
    if (inCheck) {
        // Only the moves that may answer the check are ordered; each is tested on hand-out.
        picker.stage = kQuiescenceInCheckProgram;
        computeLegalityInfo(pos, picker.legality);
        picker.legalityReady = true;
        generateEvasionCandidates(picker.list, pos, picker.legality);
        scoreEvasions(picker.list, pos);
    } else {
        picker.stage = kQuiescenceProgram;
        generateCaptures(picker.list, pos);
        scoreCaptures(picker.list, pos);
    }
    sortMoveList(picker.list);
}

Move nextQuiescenceMove(QuiescencePicker& picker) {
    if (*picker.stage == STAGE_END) return 0;
    while (picker.index < picker.list.count) {
        Move move = picker.list.moves[picker.index++];
        if (picker.inCheck ? isLegalPick(move, picker)
                           : isLegalCaptureOutOfCheck(move, *picker.pos))
            return move;
    }
    picker.stage++;
    return 0;
}
