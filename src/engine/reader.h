// The input reader: a thread that reads standard input one line at a time and hands each
// line to the main thread without ever making the main thread wait for input.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

struct LineReader {
    FILE* stream;  // null marks a free slot
    char* buffer;  // LINE_BUFFER_SIZE + 1 bytes, written by the reader thread under the lock
    // 0 free, 1 held; taken only by an atomic exchange with 1.
    std::atomic<int32_t> lock;
    // 1 while no unread line is pending, 0 while a line waits to be taken.
    std::atomic<int32_t> taken;
    // Set once the stream has ended and every line has been taken.
    std::atomic<bool> ended;
    // Set when the slot is let go: the thread reads nothing more.
    std::atomic<bool> stopping;
};

// Room for the longest command that makes sense: a position with a move list as long as
// the history allows (3839 moves of 5 bytes). Longer lines arrive in pieces of
// LINE_BUFFER_SIZE - 1 bytes, each treated as a line of its own.
constexpr int LINE_BUFFER_SIZE = 32768;
constexpr int LINE_READER_SLOTS = 32;

// Allocates a slot and starts its thread; -1 when all slots are in use.
int startLineReader(FILE* stream, char* buffer);
// Copies the pending line (without its line feed, and without a carriage return right
// before it) and returns 1, or returns 0 at once when no line is pending.
int takeLine(char* destination, int slot);
// Frees the slot. The thread may be blocked in its read and cannot be joined: it reads
// nothing more once it wakes, and ends with the process.
void stopLineReader(int slot);
// True once the stream has ended and no line is pending any more.
bool lineReaderEnded(int slot);
