#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tiff/tag_dictionary.h"

void FuzzFailure(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

namespace {

// The items an entry of this type and count holds after reading.
std::size_t ExpectedItems(const TiffTag& tag) {
    const std::size_t count = static_cast<std::int32_t>(tag.count) < 0 ? 0 : tag.count;
    const TypeFacts& facts = TypeFactsOf(tag.type);
    switch (facts.kind) {
        case TypeKind::kNumber: return count * facts.itemsPerValue;
        case TypeKind::kBytes: return count + 1;
        case TypeKind::kText:
            return count + (count > 0 && tag.values.size() > count && tag.values[count - 1] == 0 ? 1 : 2);
        case TypeKind::kNone: return 0;
    }
    return 0;
}

}  // namespace

void CheckDirectory(const TiffIfd& ifd) {
    FUZZ_CHECK(ifd.TagCount() == static_cast<std::int32_t>(ifd.Tags().size()));
    for (const auto& [name, tag] : ifd.Tags()) {
        FUZZ_CHECK(tag != nullptr && !name.empty() && tag->name == name);
        const char* known = TagDictionary::NameOf(tag->tagNumber);
        FUZZ_CHECK(known != nullptr && name == known);
        FUZZ_CHECK(ifd.HasTag(name.c_str()) && ifd.FindTag(name.c_str()) == tag.get());
        FUZZ_CHECK(tag->values.size() == ExpectedItems(*tag));
        FUZZ_CHECK(std::strlen(tag->valueText.c_str()) <= tag->valueText.size());
    }
}

void CheckDirectoryInFile(const TiffIfd& ifd, std::uint64_t fileBytes) {
    CheckDirectory(ifd);
    for (const auto& [name, tag] : ifd.Tags()) {
        FUZZ_CHECK(tag->entryOffset >= 0 && std::uint64_t(tag->entryOffset) + RawEntry::kSize <= fileBytes);
        if (IsInline(tag->type, tag->count)) {
            FUZZ_CHECK(tag->valueOffset == 0);
        } else {
            FUZZ_CHECK(std::uint64_t{tag->valueOffset} + std::uint64_t(TypeSize(tag->type, tag->count)) <= fileBytes);
        }
    }
}

bool SameEntries(const TiffIfd& a, const TiffIfd& b) {
    if (a.Tags().size() != b.Tags().size()) return false;
    for (auto i = a.Tags().begin(), j = b.Tags().begin(); i != a.Tags().end(); ++i, ++j) {
        const TiffTag& x = *i->second;
        const TiffTag& y = *j->second;
        if (i->first != j->first || x.tagNumber != y.tagNumber || x.type != y.type || x.count != y.count ||
            x.values != y.values || x.valueText != y.valueText) {
            return false;
        }
    }
    return true;
}
