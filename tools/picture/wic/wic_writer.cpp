// PNG, JPEG and TIFF on Windows through the Windows Imaging Component, the
// system's own encoders. The encoder writes into a stream in memory, whose
// bytes then go to the output stream, so that the output is still written
// whole or not at all (see OutputFile).
#include "tools/picture/wic/wic_writer.h"
#include "tools/output/output_file.h"
#include "tiff/byte_order.h"
#include "tiff/byte_view.h"
#include "tools/picture/exif/embedded_notes.h"
#include "tools/picture/exif/exif_block.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

namespace {

using Microsoft::WRL::ComPtr;

// Rows handed to the encoder at a time, between reports of progress.
constexpr std::int32_t kRowsPerWrite = 64;

// COM for the calling thread while it lives; a thread that has COM already
// in another mode keeps it.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

std::string Failed(const char* call, HRESULT result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return std::string(call) + " failed with " + code;
}

// One encoder option, by its name in the frame's property bag.
HRESULT SetOption(IPropertyBag2* bag, const wchar_t* name, VARIANT value) {
    PROPBAG2 option{};
    option.pstrName = const_cast<LPOLESTR>(name);
    return bag->Write(1, &option, &value);
}

VARIANT FloatValue(float number) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = number;
    return value;
}

VARIANT ByteValue(BYTE number) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_UI1;
    value.bVal = number;
    return value;
}

BYTE TiffMethod(TiffCompression compression) {
    switch (compression) {
        case TiffCompression::kDeflate: return WICTiffCompressionZIP;
        case TiffCompression::kLzw: return WICTiffCompressionLZW;
        default: return WICTiffCompressionNone;
    }
}

// The format's options as the request asks.
bool SetOptions(IPropertyBag2* bag, PictureFormat format, const WriteRequest& request, std::string& reason) {
    HRESULT result = S_OK;
    if (format == PictureFormat::kJpeg) {
        result = SetOption(bag, L"ImageQuality", FloatValue(static_cast<float>(request.quality) / 100.0f));
        if (FAILED(result)) {
            reason = Failed("setting the JPEG quality", result);
            return false;
        }
        // Colour at full resolution (4:4:4), as fine detail wants at high quality.
        if (request.quality >= kFullChromaQuality) {
            result = SetOption(bag, L"JpegYCrCbSubsampling", ByteValue(WICJpegYCrCbSubsampling444));
            if (FAILED(result)) reason = Failed("setting the JPEG's colour sampling", result);
        }
    } else if (format == PictureFormat::kTiff) {
        result = SetOption(bag, L"TiffCompressionMethod", ByteValue(TiffMethod(request.compression)));
        if (FAILED(result)) reason = Failed("setting the TIFF compression", result);
    }
    return SUCCEEDED(result);
}

// The picture's pixel size in dots per inch, where it is known in a unit.
HRESULT SetResolution(IWICBitmapFrameEncode* frame, const PictureNotes& notes) {
    using Unit = PictureNotes::PixelSize::Unit;
    if (!notes.pixelSize || notes.pixelSize->unit == Unit::kNone) return S_OK;
    const double perInch = notes.pixelSize->unit == Unit::kCentimetre ? 2.54 : 1;
    return frame->SetResolution(notes.pixelSize->x * perInch, notes.pixelSize->y * perInch);
}

// The frame: its size, resolution and pixel layout, then the rows.
bool WriteFrame(IWICBitmapFrameEncode* frame, const Picture& picture, const PictureNotes& notes,
                const WriteRequest& request, std::string& reason) {
    HRESULT result = frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height));
    if (FAILED(result)) return reason = Failed("SetSize", result), false;
    result = SetResolution(frame, notes);
    if (FAILED(result)) return reason = Failed("SetResolution", result), false;
    WICPixelFormatGUID layout = GUID_WICPixelFormat24bppBGR;
    result = frame->SetPixelFormat(&layout);
    if (FAILED(result)) return reason = Failed("SetPixelFormat", result), false;
    if (!IsEqualGUID(layout, GUID_WICPixelFormat24bppBGR)) {
        reason = "the system's encoder does not take 24-bit blue, green, red pixels";
        return false;
    }
    // The encoder counts bytes in 32 bits.
    if (std::uint64_t{picture.pixels.size()} > std::numeric_limits<UINT>::max()) {
        reason = "the picture is too large for the system's encoder";
        return false;
    }
    const UINT stride = static_cast<UINT>(picture.RowBytes());
    for (std::int32_t y = 0; y < picture.height; y += kRowsPerWrite) {
        const auto rows = static_cast<UINT>(std::min(kRowsPerWrite, picture.height - y));
        result = frame->WritePixels(rows, stride, rows * stride, const_cast<BYTE*>(picture.Row(y)));
        if (FAILED(result)) return reason = Failed("WritePixels", result), false;
        if (request.progress)
            request.progress(static_cast<std::size_t>(y) + rows, static_cast<std::size_t>(picture.height));
    }
    result = frame->Commit();
    if (FAILED(result)) return reason = Failed("committing the frame", result), false;
    return true;
}

// Where a JPEG's APP1 Exif segment goes: after the start of image and the
// JFIF segment that follows it (the encoder's); 0 when the bytes are no JPEG.
std::size_t ExifPlace(ByteView bytes) {
    const std::uint8_t* b = bytes.data();
    if (!bytes.within(0, 4) || b[0] != 0xFF || b[1] != 0xD8) return 0;
    if (b[2] != 0xFF || b[3] != 0xE0 || !bytes.within(0, 6)) return 2;
    const std::size_t end = 4 + (std::size_t{b[4]} << 8 | b[5]);
    return end <= bytes.size() ? end : 2;
}

// Where a PNG's notes go: after the signature and the IHDR chunk, which
// come first; 0 when the bytes are no PNG.
std::size_t PngNotesPlace(ByteView bytes) {
    constexpr std::size_t kAfterHeader = 8 + 4 + 4 + 13 + 4;  // signature, IHDR's length, type, data, CRC
    const std::uint8_t header[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    return bytes.within(0, kAfterHeader) && std::equal(std::begin(header), std::end(header), bytes.data()) ? kAfterHeader
                                                                                                           : 0;
}

// What goes into the encoder's bytes on their way out, which the system's
// encoder cannot be given whole: `inserted` at `at`; for a TIFF also the new
// first directory's offset in its header.
struct Splice {
    std::size_t at = 0;
    std::vector<std::uint8_t> inserted;
    std::uint32_t firstDirectory = 0;  // 0: the header as the encoder wrote it
};

// The notes as the tools' own writers give them: a JPEG's APP1 Exif
// segment, a PNG's text and eXIf chunks, a TIFF's tags and directories. A
// picture the encoder shaped otherwise goes out without them, said through
// request.warn.
Splice NotesSplice(PictureFormat format, ByteView bytes, const Picture& picture, const PictureNotes& notes,
                   const WriteRequest& request) {
    Splice splice;
    std::string reason;
    if (format == PictureFormat::kJpeg) {
        const std::vector<std::uint8_t> exif = JpegExifSegment(notes, picture, request);
        if (exif.empty()) return {};
        const std::size_t length = exif.size() + 2;
        splice.inserted = {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
        splice.inserted.insert(splice.inserted.end(), exif.begin(), exif.end());
        splice.at = ExifPlace(bytes);
        if (splice.at == 0) reason = "the encoder's bytes are no JPEG";
    } else if (format == PictureFormat::kPng) {
        splice.inserted = PngNoteChunks(notes, picture);
        if (splice.inserted.empty()) return {};
        splice.at = PngNotesPlace(bytes);
        if (splice.at == 0) reason = "the encoder's bytes do not start as a PNG does";
    } else {
        const PhotoTags& tags = notes.photo;
        if (tags.main.empty() && tags.exif.empty() && tags.gps.empty()) return {};
        TiffNoteAddition addition;
        if (AddTiffNotes(bytes, notes, addition, reason)) {
            splice = {bytes.size(), std::move(addition.appended), addition.firstDirectory};
        }
    }
    if (reason.empty()) return splice;
    if (request.warn) request.warn("the photograph's tags are left out: " + reason);
    return {};
}

// The encoded file's bytes, from the stream in memory to `stream`, with the notes.
bool CopyOut(IStream* memory, PictureFormat format, const Picture& picture, const PictureNotes& notes,
             const WriteRequest& request, std::FILE* stream, std::string& reason) {
    HGLOBAL block = nullptr;
    HRESULT result = GetHGlobalFromStream(memory, &block);
    STATSTG status{};
    if (SUCCEEDED(result)) result = memory->Stat(&status, STATFLAG_NONAME);
    if (FAILED(result)) return reason = Failed("reading the encoded stream", result), false;
    const auto* data = static_cast<const std::uint8_t*>(GlobalLock(block));
    if (data == nullptr) return reason = "the encoded bytes cannot be read", false;
    const ByteView bytes(data, static_cast<std::size_t>(status.cbSize.QuadPart));
    const Splice splice = NotesSplice(format, bytes, picture, notes, request);
    std::uint8_t header[8] = {};
    std::size_t headerBytes = 0;
    if (splice.firstDirectory != 0) {  // the TIFF's header, pointing at its new first directory
        std::copy(data, data + sizeof header, header);
        StoreOrdered32(header + 4, splice.firstDirectory, true);
        headerBytes = sizeof header;
    }
    const auto put = [stream](const std::uint8_t* from, std::size_t size) {
        return std::fwrite(from, 1, size, stream) == size;
    };
    const bool written = put(header, headerBytes) && put(data + headerBytes, splice.at - headerBytes) &&
                         put(splice.inserted.data(), splice.inserted.size()) &&
                         put(data + splice.at, bytes.size() - splice.at);
    if (!written) reason = ErrnoText(errno);
    GlobalUnlock(block);
    return written;
}

bool WriteWic(PictureFormat format, const Picture& picture, const PictureNotes& notes, const WriteRequest& request,
              std::FILE* stream, std::string& reason) {
    if (picture.width <= 0 || picture.height <= 0) {
        reason = std::string("a ") + FormatName(format) + " picture needs at least one pixel";
        return false;
    }
    const ComApartment apartment;
    if (!apartment.Usable()) return reason = "COM cannot be started", false;
    const GUID container = format == PictureFormat::kJpeg   ? GUID_ContainerFormatJpeg
                           : format == PictureFormat::kTiff ? GUID_ContainerFormatTiff
                                                            : GUID_ContainerFormatPng;
    ComPtr<IWICImagingFactory> factory;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
    if (FAILED(result)) return reason = Failed("starting the Windows Imaging Component", result), false;
    ComPtr<IStream> memory;
    result = CreateStreamOnHGlobal(nullptr, TRUE, &memory);
    if (FAILED(result)) return reason = Failed("CreateStreamOnHGlobal", result), false;
    ComPtr<IWICBitmapEncoder> encoder;
    result = factory->CreateEncoder(container, nullptr, &encoder);
    if (SUCCEEDED(result)) result = encoder->Initialize(memory.Get(), WICBitmapEncoderNoCache);
    if (FAILED(result)) return reason = Failed("creating the encoder", result), false;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    result = encoder->CreateNewFrame(&frame, &options);
    if (FAILED(result)) return reason = Failed("CreateNewFrame", result), false;
    if (!SetOptions(options.Get(), format, request, reason)) return false;
    result = frame->Initialize(options.Get());
    if (FAILED(result)) return reason = Failed("initialising the frame", result), false;
    if (!WriteFrame(frame.Get(), picture, notes, request, reason)) return false;
    result = encoder->Commit();
    if (FAILED(result)) return reason = Failed("committing the encoder", result), false;
    return CopyOut(memory.Get(), format, picture, notes, request, stream, reason);
}

}  // namespace

bool WritePng(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
              std::string& reason) {
    return WriteWic(PictureFormat::kPng, picture, notes, request, stream, reason);
}

bool WriteJpeg(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason) {
    return WriteWic(PictureFormat::kJpeg, picture, notes, request, stream, reason);
}

bool WriteTiff(const Picture& picture, const PictureNotes& notes, const WriteRequest& request, std::FILE* stream,
               std::string& reason) {
    return WriteWic(PictureFormat::kTiff, picture, notes, request, stream, reason);
}
