// Moves as the worker's calls take and give them: UCCI texts separated by blanks, and each
// move's texts in the page's notations.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "games/notation.h"
#include "json.h"

// The blank-separated words of a move list.
inline std::vector<std::string> moveWords(const char* moves) {
    std::vector<std::string> words;
    for (const char* cursor = moves; *cursor != '\0';) {
        size_t length = std::strcspn(cursor, " ");
        if (length > 0) words.emplace_back(cursor, length);
        cursor += length + (cursor[length] == ' ');
    }
    return words;
}

// Why the list stops at its index'th move.
inline std::string illegalMoveError(size_t index, const std::string& word) {
    return "move " + std::to_string(index + 1) + " (" + word + ") is not legal in its position";
}

// The fields "move", "chinese", "wxf" and "iccs" of a legal move in its position.
inline void appendMoveFields(std::string& out, const Position& pos, Move move) {
    appendField(out, "move", ucciMoveText(move));
    appendField(out, "chinese", chineseMoveText(pos, move));
    appendField(out, "wxf", wxfMoveText(pos, move));
    appendField(out, "iccs", iccsMoveText(move));
}
