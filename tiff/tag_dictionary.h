// The static tables that name tags, describe them and explain enumerated values.
#pragma once

#include <cstdint>

struct TagDictionary {
    static constexpr int kTagCount = 36;
    static constexpr int kTextCount = 57;
    static constexpr int kKeySize = 48;
    static constexpr int kTextSize = 100;

    struct TextRow {
        char key[kKeySize];
        char text[kTextSize];  // Shift-JIS
    };

    static const std::uint32_t kTagNumbers[kTagCount];
    static const char kTagNames[kTagCount][kKeySize];
    static const TextRow kTagTexts[kTextCount];

    // The name of the first row with this number, or null.
    static const char* NameOf(std::uint32_t tagNumber);
    // The text of the first row whose whole key equals `key`, or null.
    static const char* TextOf(const char* key);
};
