#include "review/recode.h"

#include <errno.h>
#include <iconv.h>

namespace {

const char* sourceName(TextEncoding encoding) {
    return encoding == TextEncoding::Gbk    ? "GB18030"
           : encoding == TextEncoding::Big5 ? "BIG5HKSCS"
                                            : "UTF-8";
}

const char* targetName(TextEncoding encoding) {
    return encoding == TextEncoding::Gbk    ? "GBK"
           : encoding == TextEncoding::Big5 ? "BIG5HKSCS"
                                            : "UTF-8";
}

}  // namespace

std::string recodeText(const std::string& text, TextEncoding from, TextEncoding to) {
    bool ascii = true;
    for (char c : text) ascii &= uint8_t(c) < 0x80;
    if (ascii) return text;
    iconv_t converter = iconv_open(targetName(to), sourceName(from));
    if (converter == iconv_t(-1)) return text;
    std::string out;
    char buffer[256];
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char* next = buffer;
        size_t room = sizeof buffer;
        size_t done = iconv(converter, &in, &inLeft, &next, &room);
        out.append(buffer, size_t(next - buffer));
        if (done == size_t(-1) && errno != E2BIG) {
            // A character that cannot be read or written: a '?' for the whole of it.
            size_t skipped = charLength(from, in, in + inLeft);
            in += skipped;
            inLeft -= skipped;
            out += '?';
        }
    }
    iconv_close(converter);
    return out;
}
