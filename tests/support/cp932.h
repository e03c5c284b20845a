// UTF-8 to code page 932 through iconv: an independent conversion that the
// Shift-JIS byte strings in the module are checked against.
#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>

inline std::string Utf8ToCp932(const std::string& text) {
    iconv_t converter = iconv_open("CP932", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv has no CP932");
    std::string out(text.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible: " + text);
    out.resize(out.size() - outLeft);
    return out;
}
