// Converting text between the encodings of game files with the platform's iconv.
#pragma once

#include <string>

#include "games/encoding.h"

// The text in another encoding (GBK stands for GB18030 when read, and for GBK proper when
// written, so that GBK tools read the result). A character that cannot be read, or has no
// form in the target, becomes '?'.
std::string recodeText(const std::string& text, TextEncoding from, TextEncoding to);
