// An EPSON RAW file parsed for its photograph's metadata as well: beside
// IFD0 and the raw directory, the Exif and GPS directories IFD0 points to,
// every entry kept (see PhotoIfd). The module parses with ErfFile alone.
#pragma once

#include "tiff/erf_file.h"
#include "tiff/photo_ifd.h"

class PhotoFile : public ErfFile {
public:
    PhotoIfd exifIfd{PhotoIfd::Kind::kExif};
    PhotoIfd gpsIfd{PhotoIfd::Kind::kGps};
    DirectoryPlace exifPlace;
    DirectoryPlace gpsPlace;

protected:
    // A pointer that names IFD0, the raw directory or the other photo
    // directory reads nothing: its entries would be another directory's.
    // Directories too large for memory are left empty; the picture does not
    // depend on them.
    void ReadFurtherDirectories() override;
};
