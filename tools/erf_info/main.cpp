// erf-info: shows what an EPSON RAW file holds, as the module's own library
// reads it: the byte order, both directories entry by entry, the Make and the
// five image tags of each directory. --json prints one JSON document per file.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/shift_jis.h"
#include "platform/win32.h"
#include "tiff/erf_file.h"

namespace {

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: erf-info [--json] FILE...\n"
                 "  shows the byte order, IFD0 and the raw-image directory of each EPSON RAW file,\n"
                 "  its Make and the image tags of both directories\n"
                 "  --json  one JSON document per file, each on one line\n");
}

const char* TypeName(std::uint32_t type) {
    static const char* const kNames[] = {nullptr, "BYTE",  "ASCII", "SHORT",  "LONG",  "RATIONAL", "SBYTE",
                                         "UNDEFINED", "SSHORT", "SLONG", "SRATIONAL", "FLOAT", "DOUBLE"};
    return type < sizeof kNames / sizeof kNames[0] ? kNames[type] : nullptr;
}

std::string TypeText(std::uint32_t type) {
    const char* name = TypeName(type);
    return name != nullptr ? name : "type " + std::to_string(type);
}

// The entries of a directory in tag order, as ForEachTag hands them out. The
// visitor's user value is only 32 bits wide, so the list it fills is a static.
std::vector<const TiffTag*>* gCollected = nullptr;

std::int32_t Collect(TiffTag* tag, std::uint32_t) {
    gCollected->push_back(tag);
    return 1;
}

std::vector<const TiffTag*> InTagOrder(const TiffIfd& ifd) {
    std::vector<const TiffTag*> list;
    gCollected = &list;
    ifd.ForEachTag(Collect, 0);
    gCollected = nullptr;
    return list;
}

struct ImageTags {
    std::uint32_t photometric = 0, width = 0, length = 0, stripOffset = 0, stripByteCount = 0;
};

struct FileInfo {
    bool littleEndian = true;
    std::vector<const TiffTag*> mainTags, rawTags;
    bool hasMake = false;
    std::string make;
    ImageTags mainImage, rawImage;
};

FileInfo Gather(const ErfFile& erf) {
    FileInfo info;
    info.littleEndian = erf.mainIfd.IsLittleEndian();
    info.mainTags = InTagOrder(erf.mainIfd);
    info.rawTags = InTagOrder(erf.rawIfd);
    info.hasMake = erf.mainIfd.HasTag("Make");
    // Asked first with no room, for the whole text's length.
    std::vector<char> make(static_cast<std::size_t>(erf.mainIfd.GetMake(nullptr, 0)) + 1);
    erf.mainIfd.GetMake(make.data(), static_cast<std::int32_t>(make.size()));
    info.make = make.data();
    ImageTags& m = info.mainImage;
    erf.QueryMainImageTags(&m.photometric, &m.width, &m.length, &m.stripOffset, &m.stripByteCount);
    ImageTags& r = info.rawImage;
    erf.QueryRawImageTags(&r.photometric, &r.width, &r.length, &r.stripOffset, &r.stripByteCount);
    return info;
}

// Columns are counted in terminal cells: Japanese characters take two.
std::size_t Cells(const std::string& utf8) {
    std::size_t cells = 0;
    for (const unsigned char c : utf8) {
        if (c < 0x80) ++cells;
        else if (c >= 0xC0) cells += 2;
    }
    return cells;
}

std::string PadTo(std::string text, std::size_t cells) {
    const std::size_t have = Cells(text);
    if (have < cells) text.append(cells - have, ' ');
    return text;
}

std::string Trimmed(const std::string& valueText) {
    return !valueText.empty() && valueText[0] == ' ' ? valueText.substr(1) : valueText;
}

void PrintDirectory(const char* title, const std::vector<const TiffTag*>& tags) {
    std::printf("%s: %zu %s\n", title, tags.size(), tags.size() == 1 ? "entry" : "entries");
    for (const TiffTag* tag : tags) {
        const std::string line = PadTo(std::to_string(tag->tagNumber), 6) + PadTo(tag->name, 28) +
                                 PadTo(TypeText(tag->type), 10) + PadTo(std::to_string(tag->count), 7) +
                                 PadTo(ShiftJisToUtf8(Trimmed(tag->valueText)), 20);
        std::printf("  %s  %s\n", line.c_str(), ShiftJisToUtf8(tag->description).c_str());
    }
}

void PrintImageTags(const char* title, const ImageTags& t) {
    std::printf("%s: PhotometricInterpretation %u, ImageWidth %u, ImageLength %u, StripOffsets %u, StripByteCounts %u\n",
                title, t.photometric, t.width, t.length, t.stripOffset, t.stripByteCount);
}

void PrintText(const char* fileName, const FileInfo& info) {
    std::printf("%s\n", fileName);
    std::printf("byte order: %s\n", info.littleEndian ? "II (little-endian)" : "MM (big-endian)");
    PrintDirectory("IFD0", info.mainTags);
    PrintDirectory("raw IFD", info.rawTags);
    std::printf("Make: %s\n", info.hasMake ? ShiftJisToUtf8(info.make).c_str() : "(none)");
    PrintImageTags("IFD0 image", info.mainImage);
    PrintImageTags("raw image", info.rawImage);
}

// Length of the well-formed UTF-8 sequence at `s`, 0 when there is none.
std::size_t Utf8Length(const unsigned char* s, std::size_t left) {
    const unsigned char c = s[0];
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) length = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || s[1] < low || s[1] > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
    }
    return length;
}

// A JSON string; bytes that are not UTF-8 (a file name, say) become U+FFFD.
std::string Json(const std::string& text) {
    std::string out = "\"";
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = s[i];
        const std::size_t length = Utf8Length(s + i, text.size() - i);
        if (length == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out + "\"";
}

std::string JsonDirectory(const std::vector<const TiffTag*>& tags) {
    std::string out = "[";
    for (const TiffTag* tag : tags) {
        if (out.size() > 1) out += ",";
        const char* typeName = TypeName(tag->type);
        out += "{\"number\":" + std::to_string(tag->tagNumber) + ",\"name\":" + Json(tag->name) +
               ",\"type\":" + std::to_string(tag->type) +
               ",\"typeName\":" + (typeName != nullptr ? Json(typeName) : "null") +
               ",\"count\":" + std::to_string(tag->count) + ",\"values\":[";
        for (std::size_t i = 0; i < tag->values.size(); ++i) {
            if (i > 0) out += ",";
            out += std::to_string(tag->values[i]);
        }
        out += "],\"valueText\":" + Json(ShiftJisToUtf8(tag->valueText)) +
               ",\"description\":" + Json(ShiftJisToUtf8(tag->description)) + "}";
    }
    return out + "]";
}

std::string JsonImageTags(const ImageTags& t) {
    return "{\"PhotometricInterpretation\":" + std::to_string(t.photometric) +
           ",\"ImageWidth\":" + std::to_string(t.width) + ",\"ImageLength\":" + std::to_string(t.length) +
           ",\"StripOffsets\":" + std::to_string(t.stripOffset) +
           ",\"StripByteCounts\":" + std::to_string(t.stripByteCount) + "}";
}

void PrintJson(const char* fileName, const FileInfo& info) {
    const std::string document =
        "{\"file\":" + Json(fileName) + ",\"byteOrder\":" + Json(info.littleEndian ? "II" : "MM") +
        ",\"ifd0\":" + JsonDirectory(info.mainTags) + ",\"rawIfd\":" + JsonDirectory(info.rawTags) +
        ",\"make\":" + (info.hasMake ? Json(ShiftJisToUtf8(info.make)) : "null") +
        ",\"ifd0Image\":" + JsonImageTags(info.mainImage) + ",\"rawImage\":" + JsonImageTags(info.rawImage) + "}";
    std::printf("%s\n", document.c_str());
}

// What keeps the file from being opened, from the system's last error.
const char* OpenFailure() {
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND: return "no such file";
        case ERROR_ACCESS_DENIED: return "access denied, or a folder";
        case ERROR_SHARING_VIOLATION: return "in use by another program";
        default: return "cannot be opened";
    }
}

// Shows one file; false when it could not be read.
bool Show(const char* fileName, bool json) {
    ErfFile erf;
    // A bad header is reported by the library itself, on its own line.
    switch (erf.Open(fileName)) {
        case 0: break;
        case -1: std::fprintf(stderr, "erf-info: %s: %s\n", fileName, OpenFailure()); return false;
        case -12:
            std::fprintf(stderr, "erf-info: %s: not a TIFF file (no II or MM byte-order mark)\n", fileName);
            return false;
        case -13:
            std::fprintf(stderr, "erf-info: %s: not a TIFF file (the header lacks the number 42)\n", fileName);
            return false;
        default: std::fprintf(stderr, "erf-info: %s: cannot be read\n", fileName); return false;
    }
    const FileInfo info = Gather(erf);
    if (json) PrintJson(fileName, info);
    else PrintText(fileName, info);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool json = false;
    bool optionsEnd = false;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (optionsEnd || arg[0] != '-' || arg[1] == '\0') {
            files.push_back(arg);
        } else if (std::strcmp(arg, "--") == 0) {
            optionsEnd = true;
        } else if (std::strcmp(arg, "--json") == 0) {
            json = true;
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            Usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "erf-info: unknown option %s\n", arg);
            Usage(stderr);
            return 2;
        }
    }
    if (files.empty()) {
        Usage(stderr);
        return 2;
    }
    bool allRead = true;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0 && !json) std::printf("\n");
        allRead &= Show(files[i], json);
        std::fflush(stdout);
    }
    return allRead ? 0 : 1;
}
