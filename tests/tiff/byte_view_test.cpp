#include "tiff/byte_view.h"

#include <gtest/gtest.h>

namespace {

TEST(ByteView, WithinRefusesWhatRunsPastTheEndWithoutWrapping) {
    const std::uint8_t bytes[16] = {};
    const ByteView view(bytes, sizeof bytes);
    struct Case {
        std::uint64_t offset, size;
        bool within;
    };
    const Case cases[] = {
        {0, 16, true},
        {15, 1, true},
        {16, 0, true},
        {15, 2, false},
        {17, 0, false},
        {0, 17, false},
        {1, UINT64_MAX, false},
        {UINT64_MAX, 1, false},
        {UINT64_MAX, 0, false},
        {0x100000000u, 0, false},
        {8, 0xFFFFFFFFFFFFFFF9u, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(view.within(c.offset, c.size), c.within) << c.offset << " + " << c.size;
        const ByteView part = view.Part(c.offset, c.size);
        EXPECT_EQ(part.data(), c.within ? bytes + c.offset : nullptr);
        EXPECT_EQ(part.size(), c.within ? c.size : 0u);
    }
}

// A view without a given length still ends where the address space does, so
// a huge offset cannot wrap a pointer around to other memory.
TEST(ByteView, AnUnboundedViewEndsWithTheAddressSpace) {
    // Not on the stack: a 32-bit process's stack can lie within 1 MiB of the
    // top of the address space, where the view rightly ends sooner.
    static const std::uint8_t bytes[4] = {};
    const ByteView view = ByteView::Unbounded(bytes);
    EXPECT_TRUE(view.within(0, 1u << 20));
    EXPECT_EQ(view.size(), UINTPTR_MAX - reinterpret_cast<std::uintptr_t>(bytes) + 1);
    EXPECT_FALSE(view.within(view.size(), 1));
    EXPECT_EQ(ByteView::Unbounded(nullptr).size(), 0u);
}

}  // namespace
