// The names of the Exif and GPS directories' tags, as Exif 2.32 gives them.
#include "tiff/photo_ifd.h"

#include <cstdio>

namespace {

struct Named {
    std::uint32_t number;
    const char* name;
};

constexpr Named kExifNames[] = {
    {33434, "ExposureTime"},
    {33437, "FNumber"},
    {34850, "ExposureProgram"},
    {34852, "SpectralSensitivity"},
    {34855, "ISOSpeedRatings"},
    {34856, "OECF"},
    {34864, "SensitivityType"},
    {34865, "StandardOutputSensitivity"},
    {34866, "RecommendedExposureIndex"},
    {34867, "ISOSpeed"},
    {34868, "ISOSpeedLatitudeyyy"},
    {34869, "ISOSpeedLatitudezzz"},
    {36864, "ExifVersion"},
    {36867, "DateTimeOriginal"},
    {36868, "DateTimeDigitized"},
    {36880, "OffsetTime"},
    {36881, "OffsetTimeOriginal"},
    {36882, "OffsetTimeDigitized"},
    {37121, "ComponentsConfiguration"},
    {37122, "CompressedBitsPerPixel"},
    {37377, "ShutterSpeedValue"},
    {37378, "ApertureValue"},
    {37379, "BrightnessValue"},
    {37380, "ExposureBiasValue"},
    {37381, "MaxApertureValue"},
    {37382, "SubjectDistance"},
    {37383, "MeteringMode"},
    {37384, "LightSource"},
    {37385, "Flash"},
    {37386, "FocalLength"},
    {37396, "SubjectArea"},
    {37500, "MakerNote"},
    {37510, "UserComment"},
    {37520, "SubSecTime"},
    {37521, "SubSecTimeOriginal"},
    {37522, "SubSecTimeDigitized"},
    {37888, "Temperature"},
    {37889, "Humidity"},
    {37890, "Pressure"},
    {37891, "WaterDepth"},
    {37892, "Acceleration"},
    {37893, "CameraElevationAngle"},
    {40960, "FlashpixVersion"},
    {40961, "ColorSpace"},
    {40962, "PixelXDimension"},
    {40963, "PixelYDimension"},
    {40964, "RelatedSoundFile"},
    {40965, "InteroperabilityIFDPointer"},
    {41483, "FlashEnergy"},
    {41484, "SpatialFrequencyResponse"},
    {41486, "FocalPlaneXResolution"},
    {41487, "FocalPlaneYResolution"},
    {41488, "FocalPlaneResolutionUnit"},
    {41492, "SubjectLocation"},
    {41493, "ExposureIndex"},
    {41495, "SensingMethod"},
    {41728, "FileSource"},
    {41729, "SceneType"},
    {41730, "CFAPattern"},
    {41985, "CustomRendered"},
    {41986, "ExposureMode"},
    {41987, "WhiteBalance"},
    {41988, "DigitalZoomRatio"},
    {41989, "FocalLengthIn35mmFilm"},
    {41990, "SceneCaptureType"},
    {41991, "GainControl"},
    {41992, "Contrast"},
    {41993, "Saturation"},
    {41994, "Sharpness"},
    {41995, "DeviceSettingDescription"},
    {41996, "SubjectDistanceRange"},
    {42016, "ImageUniqueID"},
    {42032, "CameraOwnerName"},
    {42033, "BodySerialNumber"},
    {42034, "LensSpecification"},
    {42035, "LensMake"},
    {42036, "LensModel"},
    {42037, "LensSerialNumber"},
    {42240, "Gamma"},
};

// The GPS directory's tags are numbered from 0 in this order.
constexpr const char* kGpsNames[] = {
    "GPSVersionID",       "GPSLatitudeRef",
    "GPSLatitude",        "GPSLongitudeRef",
    "GPSLongitude",       "GPSAltitudeRef",
    "GPSAltitude",        "GPSTimeStamp",
    "GPSSatellites",      "GPSStatus",
    "GPSMeasureMode",     "GPSDOP",
    "GPSSpeedRef",        "GPSSpeed",
    "GPSTrackRef",        "GPSTrack",
    "GPSImgDirectionRef", "GPSImgDirection",
    "GPSMapDatum",        "GPSDestLatitudeRef",
    "GPSDestLatitude",    "GPSDestLongitudeRef",
    "GPSDestLongitude",   "GPSDestBearingRef",
    "GPSDestBearing",     "GPSDestDistanceRef",
    "GPSDestDistance",    "GPSProcessingMethod",
    "GPSAreaInformation", "GPSDateStamp",
    "GPSDifferential",    "GPSHPositioningError",
};

const char* NameIn(PhotoIfd::Kind kind, std::uint32_t tagNumber) {
    if (kind == PhotoIfd::Kind::kGps) {
        return tagNumber < std::size(kGpsNames) ? kGpsNames[tagNumber] : nullptr;
    }
    for (const Named& named : kExifNames) {
        if (named.number == tagNumber) return named.name;
    }
    return nullptr;
}

}  // namespace

void PhotoIfd::TagName(std::uint32_t tagNumber, std::string& name) {
    if (const char* known = NameIn(kind_, tagNumber)) {
        name = known;
        return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "Tag0x%04X", static_cast<unsigned>(tagNumber & 0xFFFF));
    name = text;
}

bool PhotoIfd::Belongs(std::uint32_t tagNumber) const { return NameIn(kind_, tagNumber) != nullptr; }
