// PNG, JPEG and TIFF on Windows through the Windows Imaging Component, the
// system's own encoders. The encoder writes into a stream in memory, whose
// bytes then go to the output stream, so that the output is still written
// whole or not at all (see OutputFile).
#include "tools/picture/wic/wic_writer.h"
#include "tools/output/output_file.h"
#include "tools/picture/exif/exif_block.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
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
std::size_t ExifPlace(const std::uint8_t* bytes, std::size_t size) {
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return 0;
    if (bytes[2] != 0xFF || bytes[3] != 0xE0 || size < 6) return 2;
    const std::size_t end = 4 + (std::size_t{bytes[4]} << 8 | bytes[5]);
    return end <= size ? end : 2;
}

// The encoded file's bytes, from the stream in memory to `stream`; a JPEG
// with `exif` as its APP1 segment (see JpegExifSegment), which the system's
// encoder cannot be given whole.
bool CopyOut(IStream* memory, const std::vector<std::uint8_t>& exif, std::FILE* stream, std::string& reason) {
    HGLOBAL block = nullptr;
    HRESULT result = GetHGlobalFromStream(memory, &block);
    STATSTG status{};
    if (SUCCEEDED(result)) result = memory->Stat(&status, STATFLAG_NONAME);
    if (FAILED(result)) return reason = Failed("reading the encoded stream", result), false;
    const auto size = static_cast<std::size_t>(status.cbSize.QuadPart);
    const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(block));
    if (bytes == nullptr) return reason = "the encoded bytes cannot be read", false;
    const std::size_t place = exif.empty() ? 0 : ExifPlace(bytes, size);
    const std::size_t length = exif.size() + 2;
    const std::uint8_t marker[] = {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8),
                                   static_cast<std::uint8_t>(length & 0xFF)};
    const bool written = std::fwrite(bytes, 1, place, stream) == place &&
                         (place == 0 || (std::fwrite(marker, 1, sizeof marker, stream) == sizeof marker &&
                                         std::fwrite(exif.data(), 1, exif.size(), stream) == exif.size())) &&
                         std::fwrite(bytes + place, 1, size - place, stream) == size - place;
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
    const std::vector<std::uint8_t> exif =
        format == PictureFormat::kJpeg ? JpegExifSegment(notes, picture, request) : std::vector<std::uint8_t>();
    return CopyOut(memory.Get(), exif, stream, reason);
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
