// The positions that the protocol names, as FEN text, defined once for the engine, the
// tools, the XBoard adapter and the tests.
#pragma once

// "position startpos".
inline constexpr char kStartFen[] =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";
// "position midgamepos", "checkmatepos", "zugzwangpos" and "endgamepos": test positions.
inline constexpr char kMidgameFen[] =
    "2bakab1r/6r2/1cn4c1/p1p1p3p/9/2P3p2/PC2P1n1P/2N1B1NC1/R4R3/3AKAB2 w - - 0 1";
inline constexpr char kCheckmateFen[] = "4kar2/4a2rn/4bc3/RN1c5/2bC5/9/4p4/9/4p4/3p1K3 w - - 0 1";
inline constexpr char kZugzwangFen[] = "3k5/4PP3/4r4/3P5/9/9/9/9/9/5K3 w - - 0 1";
inline constexpr char kEndgameFen[] = "4k4/4a4/4P4/9/9/9/9/4B4/9/4K4 w - - 0 1";
