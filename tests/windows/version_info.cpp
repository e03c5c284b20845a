// Prints the version resource of a Windows file as Windows reads it for the
// file's properties: the fixed file and product versions, then the texts.
//   version-info FILE
// Exit status 1 when the file has no version resource.
#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

void PrintVersion(const char* label, DWORD high, DWORD low) {
    std::printf("%s: %lu.%lu.%lu.%lu\n", label, static_cast<unsigned long>(HIWORD(high)),
                static_cast<unsigned long>(LOWORD(high)), static_cast<unsigned long>(HIWORD(low)),
                static_cast<unsigned long>(LOWORD(low)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: version-info FILE\n");
        return 2;
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(argv[1], 0, size, block.data())) {
        std::fprintf(stderr, "version-info: %s: no version resource (error %lu)\n", argv[1],
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed) {
        std::fprintf(stderr, "version-info: %s: no fixed file information\n", argv[1]);
        return 1;
    }
    PrintVersion("FILEVERSION", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    PrintVersion("PRODUCTVERSION", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    std::printf("FILETYPE: %s\n", fixed->dwFileType == VFT_DLL   ? "DLL"
                                  : fixed->dwFileType == VFT_APP ? "APP"
                                                                 : "other");

    // The texts of each language the resource names.
    struct Translation {
        WORD language, codePage;
    };
    Translation* translations = nullptr;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length)) {
        length = 0;
    }
    for (UINT t = 0; t < length / sizeof(Translation); ++t) {
        for (const char* name : {"CompanyName", "FileDescription", "FileVersion", "LegalCopyright", "ProductName",
                                 "ProductVersion", "InternalName", "OriginalFilename"}) {
            char path[80];
            std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translations[t].language,
                          translations[t].codePage, name);
            char* text = nullptr;
            UINT textLength = 0;
            if (VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&text), &textLength) && textLength > 0) {
                std::printf("%s: %s\n", name, text);
            }
        }
    }
    return 0;
}
