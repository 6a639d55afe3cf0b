#include "engine/reader.h"

#include <cerrno>
#include <cstring>

#include "base/platform.h"

namespace {

LineReader lineReaderTable[LINE_READER_SLOTS];
bool lineReaderTableReady = false;
// The stream each thread reads: its own copy, which freeing the slot does not clear.
FILE* threadStreams[LINE_READER_SLOTS];

void acquire(LineReader& reader) {
    while (reader.lock.exchange(1, std::memory_order_acquire) == 1) sleepOneMillisecond();
}

void release(LineReader& reader) {
    reader.lock.store(0, std::memory_order_release);
}

int allocateSlot() {
    if (!lineReaderTableReady) {
        for (LineReader& reader : lineReaderTable) reader.stream = nullptr;
        lineReaderTableReady = true;
        return 0;
    }
    for (int slot = 0; slot < LINE_READER_SLOTS; slot++) {
        if (lineReaderTable[slot].stream == nullptr) return slot;
    }
    return -1;
}

// Reads a line, publishes it, and waits until it has been taken before reading on, so
// that at most one line is pending and none is lost or merged.
// A line that filled the buffer to its last byte may end right there: its line feed is
// then the next character, taken along (the buffer keeps a spare byte for it) so that it
// does not read as an empty line of its own.
void completeFullLine(char* buffer, FILE* stream) {
    size_t length = strlen(buffer);
    if (length != LINE_BUFFER_SIZE - 1 || buffer[length - 1] == '\n') return;
    int next = getc(stream);
    if (next == '\n') {
        buffer[length] = '\n';
        buffer[length + 1] = '\0';
    } else if (next != EOF) {
        ungetc(next, stream);
    }
}

void readerThreadMain(void* slotReader) {
    LineReader* reader = static_cast<LineReader*>(slotReader);
    FILE* stream = threadStreams[reader - lineReaderTable];
    for (;;) {
        acquire(*reader);
        if (reader->stopping.load(std::memory_order_acquire)) {
            release(*reader);
            return;
        }
        while (fgets(reader->buffer, LINE_BUFFER_SIZE, stream) == nullptr) {
            if (ferror(stream) && errno == EINTR) {
                clearerr(stream);
                continue;
            }
            // End of input: nothing more will come, and nothing is pending.
            reader->ended.store(true, std::memory_order_release);
            release(*reader);
            return;
        }
        completeFullLine(reader->buffer, stream);
        reader->taken.store(0, std::memory_order_release);
        release(*reader);
        while (reader->taken.load(std::memory_order_acquire) == 0) sleepOneMillisecond();
    }
}

}  // namespace

int startLineReader(FILE* stream, char* buffer) {
    int slot = allocateSlot();
    if (slot < 0) return -1;
    LineReader& reader = lineReaderTable[slot];
    reader.lock.store(0);
    reader.taken.store(1);
    reader.ended.store(false);
    reader.stopping.store(false);
    reader.stream = stream;
    reader.buffer = buffer;
    threadStreams[slot] = stream;
    if (!startDetachedThread(readerThreadMain, &reader)) {
        reader.stream = nullptr;
        return -1;
    }
    return slot;
}

int takeLine(char* destination, int slot) {
    LineReader& reader = lineReaderTable[slot];
    if (reader.taken.load(std::memory_order_acquire) == 1) return 0;
    acquire(reader);
    int length = 0;
    const char* source = reader.buffer;
    while (source[length] != '\0' && source[length] != '\n') {
        destination[length] = source[length];
        length++;
    }
    if (source[length] == '\n' && length > 0 && destination[length - 1] == '\r') length--;
    destination[length] = '\0';
    reader.taken.store(1, std::memory_order_release);
    release(reader);
    return 1;
}

void stopLineReader(int slot) {
    lineReaderTable[slot].stream = nullptr;
}

bool lineReaderEnded(int slot) {
    LineReader& reader = lineReaderTable[slot];
    return reader.ended.load(std::memory_order_acquire) &&
           reader.taken.load(std::memory_order_acquire) == 1;
}
