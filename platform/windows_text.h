// Text between Windows' code pages and UTF-16, for the programs beside the
// module (their texts are UTF-8; Windows takes names and console text in
// UTF-16). Windows only.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <string_view>

namespace windows_text {

// `text` in `codePage` as UTF-16; a byte that is not of the code page
// becomes U+FFFD.
std::wstring Wide(std::string_view text, UINT codePage = CP_UTF8);

// `wide` in `codePage`, with WideCharToMultiByte's `flags`; `lossy` (when
// given) tells whether a character had no form there.
std::string Narrow(std::wstring_view wide, UINT codePage = CP_UTF8, DWORD flags = 0, BOOL* lossy = nullptr);

}  // namespace windows_text
#endif
