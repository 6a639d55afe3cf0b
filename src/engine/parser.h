// The command parser: turns one input line into a CommandCode and its arguments.
#pragma once

#include <cstdint>

#include "engine/reader.h"

enum CommandCode {
    e_CommNone = 0,
    e_CommPonderHit = 1,
    e_CommStop = 2,
    e_CommScr = 3,
    e_CommMove = 4,
    e_CommUcci = 5,
    e_CommIsReady = 6,
    e_CommSetOption = 7,
    e_CommPosition = 8,
    e_CommBanMoves = 9,
    e_CommGo = 10,
    e_CommGoPonder = 11,
    e_CommQuit = 12,
};

// arg1 of a setoption command.
enum OptionCode {
    e_OptionNone = 0,
    e_OptionBatch = 1,
    e_OptionDebug = 2,
    e_OptionBookFiles = 3,
    e_OptionEgtbPaths = 4,
    e_OptionHashSize = 5,
    e_OptionThreads = 6,
    e_OptionDrawMoves = 7,
    e_OptionRepetition = 8,
    e_OptionPruning = 9,
    e_OptionKnowledge = 10,
    e_OptionSelectivity = 11,
    e_OptionStyle = 12,
    e_OptionLoadBook = 13,
};

// arg1 of a go command.
enum GoMode { e_GoDepth = 0, e_GoMovesToGo = 1, e_GoIncrement = 2 };

// One argument slot: a number or a reference, by command. A slot that a command does not
// set keeps its previous value.
union CommandArg {
    int32_t number;
    const char* text;
    const uint32_t* moveTexts;
};

// position: arg1 FEN text, arg2 move count, arg3 move texts.
// move: arg2 count, arg3 move texts. banmoves: arg1 count, arg2 move texts.
// setoption: arg1 OptionCode, arg2 value. go: arg1 GoMode, arg2 depth or time, arg3
// moves to go or increment.
struct CommandArgs {
    CommandArg arg1, arg2, arg3;
};

// A move in a list takes its four characters and a blank.
constexpr int MOVE_TEXT_STRIDE = 5;
// Four move characters per slot, first character in the lowest byte, no terminator; as
// many slots as a line can hold moves.
constexpr int MOVE_LIST_SIZE = LINE_BUFFER_SIZE / MOVE_TEXT_STRIDE + 1;
extern uint32_t moveListBuffer[MOVE_LIST_SIZE];

// Reads decimal digits at the cursor, advancing it; the result is capped at maximum and
// is 0 when the cursor is not on a digit.
int32_t parseBoundedNumber(const char** cursor, int32_t maximum);
// Starts the reader on standard input and waits for the first line: e_CommUcci when it is
// exactly "ucci", else e_CommNone (also when input ends first).
CommandCode waitForUcci();
// Blocks until a line arrives. At the end of input it returns e_CommQuit.
CommandCode parseCommand(CommandArgs& args);
// Parses a line already at hand (shorter than LINE_BUFFER_SIZE); the line must stay valid
// while args refer into it.
CommandCode parseCommandLine(const char* line, CommandArgs& args);
// Never blocks: e_CommNone, e_CommPonderHit, e_CommStop or e_CommIsReady.
CommandCode pollCommand();
// The reader's slot on standard input, for quitEngine.
int standardInputSlot();
