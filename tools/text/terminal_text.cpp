#include "tools/text/terminal_text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <locale.h>

#include <cwchar>
#endif

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6";  // "…", one column

// One UTF-8 character: its length in bytes (0: the bytes are not UTF-8) and
// the columns it takes (-1: not shown, as NUL and the control characters).
struct Character {
    std::size_t length;
    int columns;
};

#ifdef _WIN32
// Windows reads UTF-8 with any locale and has no wcwidth: a character is
// wide when Windows types it as a full-width form, an ideograph, or kana
// that are not the half-width ones, or when it is Hangul (which Windows
// types as letters only); a mark that is not a letter takes no column.
class Utf8Rules {};

bool IsHangul(wchar_t c) { return (c >= 0x1100 && c <= 0x115F) || (c >= 0xAC00 && c <= 0xD7A3); }

int WideColumns(const wchar_t* wide, int units) {
    if (units == 2) return wide[0] >= 0xD840 && wide[0] < 0xD8C0 ? 2 : 1;  // U+20000 to U+3FFFF: ideographs
    WORD type1 = 0, type3 = 0;
    GetStringTypeW(CT_CTYPE1, wide, 1, &type1);
    GetStringTypeW(CT_CTYPE3, wide, 1, &type3);
    if ((type1 & C1_CNTRL) != 0) return -1;
    if ((type3 & (C3_NONSPACING | C3_ALPHA)) == C3_NONSPACING) return 0;
    const bool kana = (type3 & (C3_HIRAGANA | C3_KATAKANA)) != 0 && (type3 & C3_HALFWIDTH) == 0;
    return (type3 & (C3_FULLWIDTH | C3_IDEOGRAPH)) != 0 || kana || IsHangul(wide[0]) ? 2 : 1;
}

Character CharacterAt(const std::string& text, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead == 0) return {1, -1};
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || length > text.size() - at) return {0, -1};
    wchar_t wide[2];
    const int units =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data() + at, static_cast<int>(length), wide, 2);
    if (units == 0) return {0, -1};
    return {length, WideColumns(wide, units)};
}
#else
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

// Under Utf8Rules.
Character CharacterAt(const std::string& text, std::size_t at) {
    std::mbstate_t state{};
    wchar_t character = 0;
    const std::size_t length = std::mbrtowc(&character, text.data() + at, text.size() - at, &state);
    if (length == 0) return {1, -1};
    if (length > text.size() - at) return {0, -1};
    return {length, wcwidth(character)};
}
#endif

// One character as shown: its bytes and the columns it takes.
struct Glyph {
    std::string_view bytes;
    std::size_t columns;
};

// Calls `visit` with each character of `utf8` as shown, from the start, until
// it returns false: a long text costs only the characters looked at.
template <typename Visit>
void ForEachGlyph(const std::string& utf8, Visit visit) {
    [[maybe_unused]] const Utf8Rules rules;
    for (std::size_t i = 0; i < utf8.size();) {
        const Character character = CharacterAt(utf8, i);
        // A NUL, a bad or cut sequence, a control character show as one ".".
        const bool shown = character.length != 0 && character.columns >= 0;
        const Glyph glyph = shown ? Glyph{std::string_view(utf8).substr(i, character.length),
                                          static_cast<std::size_t>(character.columns)}
                                  : Glyph{".", 1};
        if (!visit(glyph)) return;
        i += shown ? character.length : 1;
    }
}

// The columns of `utf8`, counted only until they pass `most`.
std::size_t ColumnsPast(const std::string& utf8, std::size_t most) {
    std::size_t columns = 0;
    ForEachGlyph(utf8, [&](const Glyph& glyph) {
        columns += glyph.columns;
        return columns <= most;
    });
    return columns;
}

}  // namespace

bool IsUtf8(const std::string& text) {
    [[maybe_unused]] const Utf8Rules rules;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = CharacterAt(text, i).length;
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::size_t Columns(const std::string& utf8) { return ColumnsPast(utf8, SIZE_MAX); }

std::size_t ColumnsUpTo(const std::string& utf8, std::size_t most) { return std::min(ColumnsPast(utf8, most), most); }

std::string CutToColumns(const std::string& utf8, std::size_t columns) {
    const bool cut = ColumnsPast(utf8, columns) > columns;
    // A cut text keeps what fits beside the ellipsis.
    const std::size_t room = cut && columns > 0 ? columns - 1 : columns;
    std::string out;
    std::size_t used = 0;
    ForEachGlyph(utf8, [&](const Glyph& glyph) {
        if (used + glyph.columns > room) return false;
        out += glyph.bytes;
        used += glyph.columns;
        return true;
    });
    if (cut && columns > 0) out += kEllipsis;
    return out;
}

std::string FitToColumns(const std::string& utf8, std::size_t columns) {
    std::string out = CutToColumns(utf8, columns);
    const std::size_t used = Columns(out);
    if (used < columns) out.append(columns - used, ' ');
    return out;
}

std::string EndInColumns(const std::string& utf8, std::size_t columns) {
    std::vector<Glyph> glyphs;
    ForEachGlyph(utf8, [&glyphs](const Glyph& glyph) {
        glyphs.push_back(glyph);
        return true;
    });
    std::size_t first = glyphs.size();
    for (std::size_t used = 0; first > 0 && used + glyphs[first - 1].columns <= columns; --first) {
        used += glyphs[first - 1].columns;
    }
    std::string out;
    for (std::size_t i = first; i < glyphs.size(); ++i) out += glyphs[i].bytes;
    return out;
}
