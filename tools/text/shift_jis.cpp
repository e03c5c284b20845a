#include "tools/text/shift_jis.h"

#ifdef _WIN32
#include "platform/windows_text.h"
#else
#include <iconv.h>
#endif

#include <vector>

std::string ShiftJisToUtf8(const std::string& text) {
    if (text.empty()) return {};
#ifdef _WIN32
    return windows_text::Narrow(windows_text::Wide(text, 932));
#else
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out;
    std::vector<char> buffer(4 * text.size() + 16);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
        if (result == static_cast<std::size_t>(-1) && inLeft > 0) {
            out += "\xEF\xBF\xBD";  // an invalid or cut sequence: skip one byte
            ++in;
            --inLeft;
        }
    }
    iconv_close(converter);
    return out;
#endif
}
