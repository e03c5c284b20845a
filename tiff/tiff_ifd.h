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

#include "tiff/tiff_stream.h"
#include "tiff/tiff_tag.h"

// Called for each entry by ForEachTag: nonzero to go on, 0 to stop.
using TagVisitor = std::int32_t (*)(TiffTag* tag, std::uint32_t user);

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

    // Reading entries from the file.
    std::int32_t ReadEntry(std::int32_t entryOffset);
    // Reads the tag's values at the file pointer; false when they do not all
    // lie inside the file.
    bool ReadValues(TiffTag& tag);

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
    // nothing outside the image is read. 0 when every entry lay inside, -1 when
    // one was refused.
    std::int32_t LoadFromMemory(const void* image, std::int32_t count, std::size_t imageBytes);
    std::int32_t LoadEntryFromMemory(const void* image, const void* rawEntry, std::int32_t entryOffset);
    // The storing operations refuse, with -1 and nothing written, an image
    // whose entries and blocks together would take more than 2^31 - 1 bytes,
    // and a block of that size.
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

    // Loads the raw entry at `rawEntry`, its block counted from `image`; an
    // image of unknown size has UINT64_MAX bytes. False when the values lie
    // outside the image.
    bool LoadEntryWithin(const std::uint8_t* image, std::uint64_t imageBytes, const std::uint8_t* rawEntry,
                         std::int32_t entryOffset);
};
