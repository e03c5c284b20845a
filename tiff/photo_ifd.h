// An Exif or GPS directory as the tools read it for a photograph's metadata:
// every entry kept, whether the dictionary knows it or not.
#pragma once

#include <cstdint>
#include <string>

#include "tiff/tiff_ifd.h"

class PhotoIfd : public TiffIfd {
public:
    enum class Kind { kExif, kGps };

    explicit PhotoIfd(Kind kind) : kind_(kind) {}

    // Named as the Exif standard names the directory's tags; a number it does
    // not name becomes "Tag0x" and four hexadecimal digits, so that no entry is
    // dropped for want of a name.
    void TagName(std::uint32_t tagNumber, std::string& name) override;
    void TagDescription(const std::string&, std::string& description) override { description.clear(); }
    // Values keep the text they were decoded with.
    void DescribeValue(TiffTag&) override {}

    // Whether the Exif standard places this tag in this kind of directory.
    bool Belongs(std::uint32_t tagNumber) const;

private:
    Kind kind_;
};
