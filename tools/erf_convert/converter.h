// The host's side of a conversion: the module asked for a file's size, then
// made to decode it, its rows collected into a picture; or IFD0's thumbnail
// read without the module.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/module_calls.h"
#include "tiff/camera_notes.h"
#include "tools/picture/picture_notes.h"
#include "develop/raw_strip_check.h"
#include "tiff/photo_file.h"
#include "tiff/tiff_stream.h"
#include "tiff/thumbnail.h"
#include "tools/picture/picture.h"
#include "tools/picture/picture_writer.h"

// Told of each row as it arrives: rows received so far and the picture's height.
using RowProgress = std::function<void(std::int32_t rowsDone, std::int32_t rows)>;

// What a decode gives beside the picture.
struct DecodeReport {
    RawStripCheck strip;  // the raw strip checked against the file
    CameraNotes camera;
    std::string notEpson;  // why the file is not an EPSON RAW file, though decoded; empty when it is
};

// The converter's one read of an input, before the module is asked: the
// directories, with the photograph's metadata, for the size check, the
// verdict on the strip, the notes and the thumbnail. Quiet: a bad header is
// the module's to show.
struct InputRead {
    std::string name;  // as the module takes it
    PhotoFile erf;
    std::int32_t opened = -1;  // erf.Open's result
};

// Reads `input` into `file`. False, naming the file in `error`, when its name
// cannot be given to the module; a file that cannot be read or parsed is
// told by `file.opened`.
bool ReadInput(const std::string& input, InputRead& file, std::string& error);

// The module's decode (DecodeFile) of `input`, read first into `file`, with
// every row collected into `picture`, and the raw strip checked against the
// file. False, with a message naming the file in `error`, when the file
// cannot be read, holds no picture, or the rows do not all arrive (said as
// the check explains it: a picture larger than the file can hold or too
// large for memory). A strip cut short still decodes: see report.strip and
// DamageWarning.
// Not reentrant: the module and its callback are not.
bool DecodePicture(const PluginModule& module, const std::string& input, const InputRead& file, Picture& picture,
                   DecodeReport& report, const RowProgress& progress, std::string& error);

// `message` naming the file by `shown` where it begins with `path`'s name
// (a copy's, or the module's code-page name).
std::string NamedAs(std::string message, const std::string& path, const std::string& shown);

// The warning for a strip cut short, naming the file; empty for an intact one.
std::string DamageWarning(const std::string& input, const RawStripCheck& strip);

// Why a picture of `input` cannot be written as `format` (its raw image, or
// its thumbnail; turned upright or not), found from its tags before anything
// is decoded; empty when it can be, or when the decode itself will say why not.
std::string PictureSizeProblem(const std::string& input, const InputRead& file, PictureFormat format, bool thumbnail,
                               bool upright);

// Why a decoded file gets no DNG: a strip cut short (its rows would not be
// the camera's), or samples not in EPSON's packing; naming the file. Empty
// when its samples go into one.
std::string DngRefusal(const std::string& input, const DecodeReport& report);

// The samples of a file's intact strip, read a row at a time, in order, as
// the DNG writer asks for them, through the TIFF library's stream.
class RawStripReader {
public:
    RawStripReader() = default;
    RawStripReader(const RawStripReader&) = delete;
    RawStripReader& operator=(const RawStripReader&) = delete;
    ~RawStripReader();
    // Opens the file read into `file` at its strip; false with a message
    // naming it as `input` unless the strip is intact and can be read.
    bool Open(const std::string& input, const InputRead& file, std::string& error);
    const RawSamples& Samples() const { return samples_; }

private:
    bool ReadRow(std::uint32_t y, std::uint8_t* row, std::string& reason);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    TiffStream stream_;
    std::vector<std::uint8_t> packed_;
    std::uint32_t nextRow_ = 0;
    RawSamples samples_;
};

// IFD0's RGB picture (see ReadThumbnail) as a picture, with its camera notes.
// False with a message naming the file when it has none this can read.
bool ReadThumbnailPicture(const std::string& input, const InputRead& file, Picture& picture, DecodeReport& report,
                          std::string& error);
