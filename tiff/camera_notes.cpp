#include "tiff/camera_notes.h"

#include <cctype>
#include <string>

namespace {

// An ASCII tag's text up to its first NUL, its trailing blanks cut; empty when
// absent or when it holds bytes that are not printable ASCII.
std::string Text(const TiffIfd& ifd, const char* name) {
    const TiffTag* tag = ifd.FindTag(name);
    if (tag == nullptr || tag->type != kTypeAscii) return {};
    std::string text;
    for (std::uint32_t value : tag->values) {
        if (value == 0) break;
        if (value < 0x20 || value > 0x7E) return {};
        text.push_back(static_cast<char>(value));
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

std::optional<std::string> OtherMaker(const ErfFile& erf) {
    const std::string make = Text(erf.mainIfd, "Make");
    std::string upper = make;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // EPSON's cameras write "SEIKO EPSON CORP."
    if (make.empty() || upper.find("EPSON") != std::string::npos) return std::nullopt;
    return make;
}
