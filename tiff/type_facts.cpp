#include "tiff/type_facts.h"

namespace {

constexpr TypeFacts kUnknownType = {nullptr, TypeKind::kNone, 0, 1, nullptr};

// Indexed by type code. SBYTE, SSHORT, FLOAT and DOUBLE have no reader: they
// take 0 bytes here, so their entries always count as inline.
constexpr TypeFacts kTypeFacts[] = {
    kUnknownType,
    {"BYTE", TypeKind::kNumber, 1, 1, " %u"},
    {"ASCII", TypeKind::kText, 1, 1, nullptr},
    {"SHORT", TypeKind::kNumber, 2, 1, " %u"},
    {"LONG", TypeKind::kNumber, 4, 1, " %u"},
    {"RATIONAL", TypeKind::kNumber, 4, 2, " %u/%u"},
    {"SBYTE", TypeKind::kNone, 0, 1, nullptr},
    {"UNDEFINED", TypeKind::kBytes, 1, 1, "%02x "},
    {"SSHORT", TypeKind::kNone, 0, 1, nullptr},
    {"SLONG", TypeKind::kNumber, 4, 1, " %d"},
    {"SRATIONAL", TypeKind::kNumber, 4, 2, " %d/%d"},
    {"FLOAT", TypeKind::kNone, 0, 1, nullptr},
    {"DOUBLE", TypeKind::kNone, 0, 1, nullptr},
};

}  // namespace

const TypeFacts& TypeFactsOf(std::uint32_t type) {
    return type < sizeof kTypeFacts / sizeof kTypeFacts[0] ? kTypeFacts[type] : kUnknownType;
}
