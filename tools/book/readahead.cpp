#include "book/readahead.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "games/fileio.h"

namespace {

// Enough to keep the workers busy past one large file without holding the whole
// collection in memory.
constexpr size_t kFilesAhead = 8;

FileGames readOneFile(const InputFile& file) {
    FileGames result;
    std::string bytes;
    result.readable = readWholeFile(file.path, bytes, result.error);
    if (!result.readable) return result;
    result.gameFile =
        readGameFile(file, bytes, [&](const GameRecord& game) { result.games.push_back(game); });
    return result;
}

}  // namespace

void readFilesInOrder(const std::vector<InputFile>& files, int threads,
                      const std::function<bool(size_t, FileGames&)>& consume) {
    std::vector<std::unique_ptr<FileGames>> slots(files.size());
    std::mutex lock;
    std::condition_variable changed;
    size_t next = 0, consumed = 0;
    bool stopping = false;

    auto work = [&] {
        std::unique_lock<std::mutex> held(lock);
        for (;;) {
            changed.wait(held, [&] {
                return stopping || next == files.size() || next < consumed + kFilesAhead;
            });
            if (stopping || next == files.size()) return;
            size_t index = next++;
            held.unlock();
            auto games = std::make_unique<FileGames>(readOneFile(files[index]));
            held.lock();
            slots[index] = std::move(games);
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; i++) workers.emplace_back(work);

    for (size_t index = 0; index < files.size(); index++) {
        std::unique_ptr<FileGames> games;
        {
            std::unique_lock<std::mutex> held(lock);
            changed.wait(held, [&] { return slots[index] != nullptr; });
            games = std::move(slots[index]);
        }
        bool more = consume(index, *games);
        games.reset();
        std::lock_guard<std::mutex> held(lock);
        consumed = index + 1;
        if (!more) stopping = true;
        changed.notify_all();
        if (!more) break;
    }
    {
        std::lock_guard<std::mutex> held(lock);
        stopping = true;
        changed.notify_all();
    }
    for (std::thread& worker : workers) worker.join();
}
