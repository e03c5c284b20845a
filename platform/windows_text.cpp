#include "platform/windows_text.h"

#include <climits>

namespace windows_text {

std::wstring Wide(std::string_view text, UINT codePage) {
    // The calls count in int: a longer text is cut, never wrapped.
    const int bytes = static_cast<int>(text.size() < INT_MAX ? text.size() : INT_MAX);
    if (bytes == 0) return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), bytes, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), bytes, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view wide, UINT codePage, DWORD flags, BOOL* lossy) {
    const int units = static_cast<int>(wide.size() < INT_MAX ? wide.size() : INT_MAX);
    if (units == 0) return {};
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), units, nullptr, 0, nullptr, lossy);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) WideCharToMultiByte(codePage, flags, wide.data(), units, narrow.data(), length, nullptr, lossy);
    return narrow;
}

}  // namespace windows_text
