#include "tools/erf_info/english_texts.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

using Row = std::pair<const char*, const char*>;

constexpr Row kEnglish[] = {
    {"NewSubfileType", "kind of image"},
    {"SubfileType", "kind of image"},
    {"ImageWidth", "image width (pixels)"},
    {"ImageLength", "image height (pixels)"},
    {"BitsPerSample", "bits per sample"},
    {"Compression", "compression scheme"},
    {"PhotometricInterpretation", "pixel composition"},
    {"FillOrder", "order of the pixels"},
    {"Orientation", "orientation of the rows and columns"},
    {"SamplesPerPixel", "components per pixel"},
    {"PlanarConfiguration", "arrangement of the pixel data"},
    {"YCbCrSubSampling", "YCbCr subsampling ratio"},
    {"YCbCrPositioning", "YCbCr positioning"},
    {"XResolution", "resolution across the width (pixels)"},
    {"YResolution", "resolution down the height (pixels)"},
    {"ResolutionUnit", "unit of the resolution"},
    {"StripOffsets", "offset of the image data"},
    {"RowsPerStrip", "rows per strip"},
    {"StripByteCounts", "size of each strip (bytes)"},
    {"JPEGInterchangeFormat", "offset of the JPEG thumbnail's SOI"},
    {"JPEGInterchangeFormatLength", "size of the JPEG thumbnail (bytes)"},
    {"TransferFunction", "tone curve"},
    {"WhitePoint", "chromaticity of the white point"},
    {"PrimaryChromaticities", "chromaticities of the primaries"},
    {"YCbCrCoefficients", "colour conversion coefficients"},
    {"ReferenceBlackWhite", "black and white reference values"},
    {"DateTime", "date and time the file was changed"},
    {"ImageDescription", "image title"},
    {"Make", "maker"},
    {"Model", "model"},
    {"Software", "software used"},
    {"Artist", "photographer"},
    {"Copyright", "copyright notice"},
    {"SubIFDs", "pointer to the full-size IFD"},
    {"ExifIFDPointer", "pointer to the Exif IFD"},
    {"GPSInfoIFDPointer", "pointer to the GPS information"},
    {"InteroperabilityIFDPointer", "pointer to the interoperability IFD"},
    {"Compression_1", "uncompressed"},
    {"Compression_6", "JPEG (thumbnail)"},
    {"PhotometricInterpretation_2", "RGB"},
    {"PhotometricInterpretation_6", "YCbCr"},
    {"Orientation_1", "row 0 at the top, column 0 at the left"},
    {"Orientation_2", "row 0 at the top, column 0 at the right"},
    {"Orientation_3", "row 0 at the bottom, column 0 at the right"},
    {"Orientation_4", "row 0 at the bottom, column 0 at the left"},
    {"Orientation_5", "row 0 at the left, column 0 at the top"},
    {"Orientation_6", "row 0 at the right, column 0 at the top"},
    {"Orientation_7", "row 0 at the right, column 0 at the bottom"},
    {"Orientation_8", "row 0 at the left, column 0 at the bottom"},
    {"PlanarConfiguration_1", "chunky (pixel by pixel)"},
    {"PlanarConfiguration_2", "planar (plane by plane)"},
    {"YCbCrSubSampling_2, 1", "YCbCr 4:2:2"},
    {"YCbCrSubSampling_2, 2", "YCbCr 4:2:0"},
    {"YCbCrPositioning_1", "centred"},
    {"YCbCrPositioning_2", "co-sited"},
    {"ResolutionUnit_2", "inches"},
    {"ResolutionUnit_3", "centimetres"},
};

// ExifTool's names for the raw image's compression and photometric values.
constexpr Row kBeyondDictionary[] = {
    {"Compression_32769", "Packed RAW"},
    {"PhotometricInterpretation_32803", "Color Filter Array"},
};

template <std::size_t N>
const char* Find(const Row (&rows)[N], const std::string& key) {
    for (const Row& row : rows) {
        if (key == row.first) return row.second;
    }
    return nullptr;
}

}  // namespace

Language LocaleLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') {
            return std::strncmp(value, "ja", 2) == 0 ? Language::kJapanese : Language::kEnglish;
        }
    }
    return Language::kEnglish;
}

const char* EnglishText(const std::string& key) { return Find(kEnglish, key); }

const char* ValueNameBeyondDictionary(const std::string& key) { return Find(kBeyondDictionary, key); }
