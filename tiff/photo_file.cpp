#include "tiff/photo_file.h"

#include <new>
#include <stdexcept>

#include "tiff/tag_numbers.h"

namespace {

// The offset IFD0's pointer tag gives; 0 when absent.
std::uint32_t PointerOf(const TiffIfd& ifd, std::uint32_t tagNumber) {
    const TiffTag* tag = ifd.FindTagByNumber(tagNumber);
    return tag != nullptr && !tag->values.empty() ? tag->values.front() : 0;
}

}  // namespace

void PhotoFile::ReadFurtherDirectories() {
    exifIfd.Clear();
    gpsIfd.Clear();
    exifPlace = {};
    gpsPlace = {};
    const std::uint32_t exif = PointerOf(mainIfd, kTagExifIFDPointer);
    const std::uint32_t gps = PointerOf(mainIfd, kTagGPSInfoIFDPointer);
    const auto taken = [this](std::uint32_t offset) {
        return offset == 0 || offset == mainPlace.offset || offset == rawPlace.offset;
    };
    try {
        // Each directory has a value budget of its own, as IFD0 and the raw directory do.
        if (!taken(exif)) ReadDirectoryAt(exifIfd, exif, exifPlace);
        if (!taken(gps) && gps != exif) ReadDirectoryAt(gpsIfd, gps, gpsPlace);
    } catch (const std::bad_alloc&) {
        exifIfd.Clear();
        gpsIfd.Clear();
    } catch (const std::length_error&) {
        exifIfd.Clear();
        gpsIfd.Clear();
    }
}
