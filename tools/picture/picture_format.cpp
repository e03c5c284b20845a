#include "tools/picture/picture_format.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Extension(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

std::optional<PictureFormat> FormatOfName(const std::string& path) {
    const std::string extension = Extension(path);
    if (extension == "png") return PictureFormat::kPng;
    if (extension == "bmp") return PictureFormat::kBmp;
    if (extension == "jpg" || extension == "jpeg") return PictureFormat::kJpeg;
    if (extension == "tif" || extension == "tiff") return PictureFormat::kTiff;
    if (extension == "dng") return PictureFormat::kDng;
    return std::nullopt;
}

const char* FormatExtension(PictureFormat format) {
    switch (format) {
        case PictureFormat::kPng: return "png";
        case PictureFormat::kJpeg: return "jpg";
        case PictureFormat::kTiff: return "tif";
        case PictureFormat::kDng: return "dng";
        default: return "bmp";
    }
}

const char* FormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::kPng: return "PNG";
        case PictureFormat::kJpeg: return "JPEG";
        case PictureFormat::kTiff: return "TIFF";
        case PictureFormat::kDng: return "DNG";
        default: return "BMP";
    }
}
