// Finding the game files among the files and folders a program is given, and reading each
// in its own format.
#pragma once

#include <string>
#include <vector>

#include "games/gamerecord.h"

// One file to read. A file met inside a folder is read only when it is recognisably a
// game file, so that the notes and licences kept beside collections are not taken for games.
struct InputFile {
    std::string path;
    bool inFolder;
};

// The inputs with every folder replaced by the files below it, recursively, in byte order of
// their paths; entries whose names start with '.' are left out. False, with a message,
// when an input does not exist or a folder cannot be listed.
bool listInputFiles(const std::vector<std::string>& inputs, std::vector<InputFile>& files,
                    std::string& error);

// Reads the games of the file's bytes in the file's format: XQF by its signature, PGN by
// its extension or first tag, otherwise text. False, without reading, for a file in a
// folder that is none of XQF, PGN or a .txt file of moves.
bool readGameFile(const InputFile& file, const std::string& bytes, const GameSink& sink);
