#include "tiff/tag_dictionary.h"

#include <cstring>

#include "platform/win32.h"
#include "tiff/tag_numbers.h"
#include "tiff/tiff_ifd.h"

const char* TagDictionary::NameOf(std::uint32_t tagNumber) {
    for (int row = 0; row < kTagCount; ++row) {
        if (kTagNumbers[row] == tagNumber) return kTagNames[row];
    }
    return nullptr;
}

const char* TagDictionary::TextOf(const char* key) {
    for (const TextRow& row : kTagTexts) {
        if (std::strcmp(row.key, key) == 0) return row.text;
    }
    return nullptr;
}

void TiffIfd::TagName(std::uint32_t tagNumber, std::string& name) {
    const char* found = TagDictionary::NameOf(tagNumber);
    name = found != nullptr ? found : "";
}

void TiffIfd::TagDescription(const std::string& name, std::string& description) {
    const char* found = TagDictionary::TextOf(name.c_str());
    description = found != nullptr ? found : "";
}

void TiffIfd::DescribeValue(TiffTag& tag) {
    switch (tag.tagNumber) {
        case kTagCompression:
        case kTagPhotometricInterpretation:
        case kTagOrientation:
        case kTagPlanarConfiguration:
        case kTagResolutionUnit:
        case kTagYCbCrSubSampling:
        case kTagYCbCrPositioning: break;
        default: return;
    }
    if (tag.values.empty()) return;
    // wsprintfA stops at 1,024 bytes; a name of any length cannot overrun the key.
    char key[1024];
    wsprintfA(key, "%s_%u", tag.name.c_str(), tag.values.front());
    if (const char* text = TagDictionary::TextOf(key)) tag.valueText = text;
}
