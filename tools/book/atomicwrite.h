// The replace-by-rename writing of the builder's output.
#pragma once

#include <string>

// Writes the bytes to a temporary file beside `path`, flushes it to disk and renames it
// over `path`, so that a reader never sees a half-written file. On failure the temporary
// file is removed, `path` is left as it was, and the message says why.
bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error);
