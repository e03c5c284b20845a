#include "tools/text/terminal_text.h"

#include <locale.h>

#include <cwchar>
#include <vector>

namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6";  // "…", one column

// The C.UTF-8 character rules for the calling thread while it lives,
// whatever the program's own locale is.
class Utf8Rules {
public:
    Utf8Rules() {
        static const locale_t kUtf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (kUtf8 != nullptr) previous_ = uselocale(kUtf8);
    }
    ~Utf8Rules() {
        if (previous_ != nullptr) uselocale(previous_);
    }
    Utf8Rules(const Utf8Rules&) = delete;
    Utf8Rules& operator=(const Utf8Rules&) = delete;

private:
    locale_t previous_ = nullptr;
};

// One character as shown: its bytes and the columns it takes.
struct Glyph {
    std::string bytes;
    std::size_t columns;
};

std::vector<Glyph> Glyphs(const std::string& utf8) {
    const Utf8Rules rules;
    std::vector<Glyph> glyphs;
    std::mbstate_t state{};
    for (std::size_t i = 0; i < utf8.size();) {
        wchar_t character = 0;
        const std::size_t length = std::mbrtowc(&character, utf8.data() + i, utf8.size() - i, &state);
        const int columns = length == 0 || length > utf8.size() - i ? -1 : wcwidth(character);
        if (columns < 0) {  // a NUL, a bad or cut sequence, a control character
            glyphs.push_back({".", 1});
            state = {};
            ++i;
        } else {
            glyphs.push_back({utf8.substr(i, length), static_cast<std::size_t>(columns)});
            i += length;
        }
    }
    return glyphs;
}

}  // namespace

bool IsUtf8(const std::string& text) {
    const Utf8Rules rules;
    std::mbstate_t state{};
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = std::mbrtowc(nullptr, text.data() + i, text.size() - i, &state);
        if (length > text.size() - i) return false;
        i += length == 0 ? 1 : length;
    }
    return true;
}

std::size_t Columns(const std::string& utf8) {
    std::size_t columns = 0;
    for (const Glyph& glyph : Glyphs(utf8)) columns += glyph.columns;
    return columns;
}

std::string CutToColumns(const std::string& utf8, std::size_t columns) {
    const std::vector<Glyph> glyphs = Glyphs(utf8);
    std::size_t total = 0;
    for (const Glyph& glyph : glyphs) total += glyph.columns;
    const bool cut = total > columns;
    // A cut text keeps what fits beside the ellipsis.
    const std::size_t room = cut && columns > 0 ? columns - 1 : columns;
    std::string out;
    std::size_t used = 0;
    for (const Glyph& glyph : glyphs) {
        if (used + glyph.columns > room) break;
        out += glyph.bytes;
        used += glyph.columns;
    }
    if (cut && columns > 0) out += kEllipsis;
    return out;
}

std::string FitToColumns(const std::string& utf8, std::size_t columns) {
    std::string out = CutToColumns(utf8, columns);
    const std::size_t used = Columns(out);
    if (used < columns) out.append(columns - used, ' ');
    return out;
}
