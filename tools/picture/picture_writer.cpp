#include "tools/picture/picture_writer.h"

#include <cstdio>

#include "tools/output/output_file.h"
#include "tools/picture/bmp/bmp_writer.h"
#ifdef RUDI_HAVE_WIC
#include "tools/picture/wic/wic_writer.h"
#endif
#ifdef RUDI_HAVE_PNG
#include "tools/picture/png/png_writer.h"
#endif
#ifdef RUDI_HAVE_JPEG
#include "tools/picture/jpeg/jpeg_writer.h"
#endif
#ifdef RUDI_HAVE_TIFF
#include "tools/picture/tiff/tiff_writer.h"
#endif
#ifdef RUDI_HAVE_DNG
#include "tools/picture/dng/dng_writer.h"
#endif

namespace {

using Writer = bool (*)(const Picture&, const PictureNotes&, const WriteRequest&, std::FILE*, std::string&);

bool WriteBmpFile(const Picture& picture, const PictureNotes&, const WriteRequest&, std::FILE* stream,
                  std::string& reason) {
    return WriteBmp(picture, stream, reason);
}

// The format's writer; null where the build lacks its library.
Writer WriterOf(PictureFormat format) {
    switch (format) {
#if defined(RUDI_HAVE_PNG) || defined(RUDI_HAVE_WIC)
        case PictureFormat::kPng: return WritePng;
#endif
#if defined(RUDI_HAVE_JPEG) || defined(RUDI_HAVE_WIC)
        case PictureFormat::kJpeg: return WriteJpeg;
#endif
#if defined(RUDI_HAVE_TIFF) || defined(RUDI_HAVE_WIC)
        case PictureFormat::kTiff: return WriteTiff;
#endif
#ifdef RUDI_HAVE_DNG
        case PictureFormat::kDng: return WriteDng;
#endif
        case PictureFormat::kBmp: return WriteBmpFile;
        default: return nullptr;
    }
}

}  // namespace

bool CanWrite(PictureFormat format) { return WriterOf(format) != nullptr; }

std::string SizeProblem(PictureFormat format, std::uint32_t width, std::uint32_t height) {
    if (format == PictureFormat::kBmp) return BmpSizeProblem(width, height);
#ifdef RUDI_HAVE_JPEG
    if (format == PictureFormat::kJpeg) return JpegSizeProblem(width, height);
#endif
#ifdef RUDI_HAVE_DNG
    if (format == PictureFormat::kDng) return DngSizeProblem(width, height);
#endif
    return {};
}

bool WritePicture(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::string& error) {
    if (!CanWrite(request.format)) {
        error = request.target + ": this build cannot write " + FormatName(request.format) + " files";
        return false;
    }
    // libtiff, and the DNG writer, seek back to fill in places: standard output gets a copy.
    const bool seeks = request.format == PictureFormat::kTiff || request.format == PictureFormat::kDng;
    OutputFile output(seeks ? OutputFile::StandardOutput::kCopied : OutputFile::StandardOutput::kDirect);
    if (!output.Open(request.target, request.replace, error)) return false;
    std::string reason;
    if (!WriterOf(request.format)(picture, notes, request, output.stream(), reason)) {
        error =
            ShownName(request.target) + ": cannot write the " + FormatName(request.format) + " file (" + reason + ")";
        return false;
    }
    return output.Commit(error);
}
