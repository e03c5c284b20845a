// JPEG through libjpeg-turbo, which takes the picture's blue, green, red rows
// as they are.
#include "tools/picture/jpeg/jpeg_writer.h"

#include "tools/picture/exif/exif_block.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>
// After the headers above: it defines TRUE and FALSE, which platform/ declares.
#include <jpeglib.h>

namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    info->err->format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void JpegQuiet(j_common_ptr, int) {}

// The pixels' size as JFIF gives it, in the camera's unit (dots per inch,
// per centimetre, or an aspect ratio); left out, said so, when it is not
// whole dots JFIF's 16 bits hold.
void SetDensity(jpeg_compress_struct& info, const PictureNotes& notes, const WriteRequest& request) {
    if (!notes.pixelSize) return;
    const auto& size = *notes.pixelSize;
    if (size.x != std::floor(size.x) || size.y != std::floor(size.y) || size.x < 1 || size.y < 1 || size.x > 0xFFFF ||
        size.y > 0xFFFF) {
        if (request.warn) {
            request.warn("the resolution (" + PixelSizeText(size) +
                         ") is not a whole number of dots up to 65535, as JFIF holds it: the JFIF header "
                         "carries none");
        }
        return;
    }
    // JFIF's units: 0 none, 1 inch, 2 centimetre.
    info.density_unit = static_cast<UINT8>(size.unit - 1);
    info.X_density = static_cast<UINT16>(size.x);
    info.Y_density = static_cast<UINT16>(size.y);
}

// Kept apart from the C++ objects of the caller: a libjpeg error jumps back
// here, past no destructor.
bool Compress(jpeg_compress_struct& info, JpegErrors& errors, const Picture& picture, const PictureNotes& notes,
              const std::vector<std::uint8_t>& exif, const WriteRequest& request, std::FILE* stream) {
    if (setjmp(errors.jump) != 0) return false;
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, stream);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, request.quality, TRUE);
    if (request.quality >= kFullChromaQuality) {
        // Colour at full resolution (4:4:4), as fine detail wants at high quality.
        for (int i = 0; i < info.num_components; ++i) {
            info.comp_info[i].h_samp_factor = 1;
            info.comp_info[i].v_samp_factor = 1;
        }
    }
    SetDensity(info, notes, request);
    jpeg_start_compress(&info, TRUE);
    if (!exif.empty()) jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.Row(static_cast<std::int32_t>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
        if (request.progress) request.progress(info.next_scanline, info.image_height);
    }
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace

std::string JpegSizeProblem(std::int64_t width, std::int64_t height) {
    if (width > 0 && height > 0 && width <= JPEG_MAX_DIMENSION && height <= JPEG_MAX_DIMENSION) return {};
    return "a JPEG picture has 1 to " + std::to_string(JPEG_MAX_DIMENSION) + " pixels a side";
}

bool WriteJpeg(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason) {
    reason = JpegSizeProblem(picture.width, picture.height);
    if (!reason.empty()) return false;
    jpeg_compress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegExit;
    errors.manager.emit_message = JpegQuiet;
    const std::vector<std::uint8_t> exif = JpegExifSegment(notes, picture, request);
    const bool written = Compress(info, errors, picture, notes, exif, request, stream);
    jpeg_destroy_compress(&info);
    if (!written) reason = errors.message;
    return written;
}
