// Whole-file reading, and writing all of a text to a descriptor.
#pragma once

#include <string>

// "what path: " and the system's reason for the last failure (errno).
std::string describeFileError(const std::string& what, const std::string& path);

// Reads every byte of the file. False with a message naming the file when it cannot be
// opened or read (a directory included).
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error);

// Writes every byte to the descriptor, again after an interrupted write; false when a
// write fails.
bool writeAll(int fd, const std::string& bytes);
