// Whole-file reading.
#pragma once

#include <string>

// Reads every byte of the file. False with a message naming the file when it cannot be
// opened or read (a directory included).
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error);
