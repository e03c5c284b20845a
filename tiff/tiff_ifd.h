// One image file directory held in memory: entries filed by tag name, read
// from and written to a file through the stream the directory is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/limits.h"
#include "tiff/byte_view.h"
#include "tiff/raw_entry.h"
#include "tiff/tiff_stream.h"
#include "tiff/tiff_tag.h"

// Called for each entry by ForEachTag: nonzero to go on, 0 to stop.
using TagVisitor = std::int32_t (*)(TiffTag* tag, std::uint32_t user);

// What the values and value texts of the entries read from one directory of
// a file may take in memory, as HeldBytes counts them. It belongs to the
// reading of the file, not to a directory: entries set in memory and memory
// images, which the program made or whose size bounds them, take nothing.
class ValueBudget {
public:
    explicit ValueBudget(std::uint64_t bytes = kDirectoryValueBudget) : left_(bytes) {}
    bool Fits(std::uint64_t bytes) const { return bytes <= left_; }
    // Takes what fits of `bytes`.
    void Take(std::uint64_t bytes) { left_ -= bytes < left_ ? bytes : left_; }
    std::uint64_t Left() const { return left_; }

private:
    std::uint64_t left_;
};

class TiffIfd : public TiffStream {
public:
    // Ordered by the names' bytes taken as unsigned, a prefix first.
    using TagMap = std::map<std::string, std::unique_ptr<TiffTag>, std::less<>>;

    TiffIfd() = default;
    TiffIfd(const TiffIfd&) = delete;
    TiffIfd& operator=(const TiffIfd&) = delete;
    ~TiffIfd() override;

    // Dictionary operations.
    virtual void DescribeValue(TiffTag& tag);
    virtual void TagName(std::uint32_t tagNumber, std::string& name);
    virtual void TagDescription(const std::string& name, std::string& description);

    // Container.
    void Clear();
    TiffTag* FindTag(const char* name) const;
    std::uint32_t FirstValue(const char* name) const;
    TiffTag* FindTagByNumber(std::uint32_t number) const;
    const TagMap& Tags() const { return tags; }
    // The entries in ascending tag number; the map itself stays in name order.
    std::vector<TiffTag*> InTagOrder() const;

    // Reading entries from the file. An entry is filed only when all of it
    // lies inside the file: its 12 bytes and every byte of its values; and
    // only when its values fit in what is left of `budget`, which it then
    // takes. Without a budget, the entry has one of its own.
    std::int32_t ReadEntry(std::int32_t entryOffset);
    // The same for an entry whose 12 bytes, at `entryOffset` in the file, have
    // already been read: a directory's entry table is read at once.
    void ReadEntryFrom(ByteView entry, std::int32_t entryOffset);
    void ReadEntryFrom(ByteView entry, std::int32_t entryOffset, ValueBudget& budget);
    // Reads the tag's values at the stream's position, appending to its
    // values and value text. Values that do not all lie there are not read
    // and the tag stays as it was, and so do values that are there but would
    // give the list more items than a list can hold (possible in a 32-bit
    // process: about 2^29).
    std::int32_t ReadValues(TiffTag& tag);
    // Reads one value of a numeric type (a numerator and denominator pair for
    // the rational types) and appends it and its text; other types read nothing.
    void ReadOneValue(TiffTag& tag);

    // Writing to the file and editing in memory. WriteIfd and WriteValues
    // refuse, with -1 and nothing written, what would reach past 2^31 - 1.
    std::int32_t WriteIfd(std::int32_t dataStart);
    std::int32_t WriteValues(const TiffTag& tag);
    std::int32_t RewriteEntry(const char* name);
    std::int32_t RewriteTag(const TiffTag& tag);
    std::int32_t SetValues(const char* name, std::uint32_t count, const void* data);
    std::int32_t SetTag(std::uint32_t tagNumber, std::uint32_t type, std::uint32_t count, const void* data);
    std::int32_t PutTagCopy(const TiffTag& source);
    std::int32_t RemoveTag(const char* name);
    static std::int32_t ReadValuesFromMemory(const void* data, TiffTag& tag);

    // Memory images and queries.
    std::int32_t LoadFromMemory(const void* image, std::int32_t count);
    // The same for an image of `imageBytes` bytes that may be damaged: an entry
    // whose 12 bytes or whose values lie outside the image is not filed and
    // nothing outside the image is read. 0 when every entry lay inside, -1
    // when one was refused. The image bounds what a load costs: no value
    // budget applies, so an image gives back whatever was stored in it.
    std::int32_t LoadFromMemory(const void* image, std::int32_t count, std::size_t imageBytes);
    // The directory at `at` of a little-endian TIFF file of `fileBytes` bytes
    // held in memory, as the bounded LoadFromMemory loads an image: its
    // entries keep their places in the file. -1 when the directory, an entry
    // or its values do not lie inside the file.
    std::int32_t LoadFromFileImage(const void* file, std::size_t fileBytes, std::uint32_t at);
    std::int32_t LoadEntryFromMemory(const void* image, const void* rawEntry, std::int32_t entryOffset);
    // The storing operations refuse, with -1 and nothing written, an image
    // whose entries and blocks together would take more than 2^31 - 1 bytes,
    // and a block of that size; MemoryImageSize then gives both sizes as 0.
    std::int32_t MemoryImageSize(std::int32_t* entryBytes, std::int32_t* dataBytes) const;
    std::int32_t StoreToMemory(void* entries, void* data) const;
    std::int32_t StoreEntryToMemory(void* entries, void* rawEntry, void* data, const TiffTag& tag) const;
    static std::int32_t StoreValuesToMemory(void* destination, const TiffTag& tag);
    std::int32_t ForEachTag(TagVisitor visitor, std::uint32_t user) const;
    bool HasTag(const char* name) const;
    std::int32_t TagCount() const;
    std::int32_t GetMake(char* buffer, std::int32_t length) const;

    std::int32_t valueAreaPos = 0;
    std::int32_t entryTablePos = 0;

protected:
    // Files `tag` under its name unless that name is taken; false when not filed.
    bool File(std::unique_ptr<TiffTag> tag);

    TagMap tags;

private:
    // Bytes of all value blocks: the values of every entry that does not
    // hold them inline, summed in 64 bits.
    std::int64_t BlockBytes() const;

    // The tag an entry becomes, named and described but without values; null
    // when it is not to be filed (a number the dictionary does not know, or a
    // name already filed), so that its values are never read.
    std::unique_ptr<TiffTag> NewEntryTag(const RawEntry& entry, std::int32_t entryOffset);
    // Runs the dictionary over the tag's values and files it.
    void FileDescribed(std::unique_ptr<TiffTag> tag);
    // Empties the directory and loads `count` raw entries of `image`; false
    // when an entry, or its values, did not lie inside the image.
    // The entry table lies at `table` of `image`; its first entry is at
    // `firstEntryOffset` of the file.
    bool LoadImage(ByteView image, std::uint64_t table, std::int32_t count, std::int64_t firstEntryOffset);
    // Loads the raw entry in `rawEntry`, its block counted from the start of
    // `image`; false when the entry or its values lie outside.
    bool LoadEntryWithin(ByteView image, ByteView rawEntry, std::int32_t entryOffset);
};
