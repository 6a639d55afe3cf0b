// The Zobrist keys. They are fixed: opening books are keyed by them, so changing the
// generator or its seed invalidates every book file.
#pragma once

#include <cstdint>

namespace zobrist_detail {

// SplitMix64 from a fixed seed: a well-mixed, reproducible stream of 64-bit values.
constexpr uint64_t splitMix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct KeyTable {
    uint64_t pieces[14][256];
    uint64_t side;
};

constexpr KeyTable buildKeys() {
    KeyTable table{};
    uint64_t state = 0x5141524E58514B31ull;
    for (auto& kind : table.pieces) {
        for (uint64_t& value : kind) value = splitMix64(state);
    }
    table.side = splitMix64(state);
    return table;
}

inline constexpr KeyTable kKeys = buildKeys();

}  // namespace zobrist_detail

// Indexed by (PieceKind, Square).
inline constexpr const uint64_t (&zobristKeys)[14][256] = zobrist_detail::kKeys.pieces;
// Xored into the key when red is to move.
inline constexpr uint64_t sideKey = zobrist_detail::kKeys.side;
