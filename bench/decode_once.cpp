// decode-once FILE.erf: one ReadFileExec of the file, its rows dropped. A
// small program to run under valgrind or /usr/bin/time.
#include <cstdio>

#include "plugin/exports.h"

namespace {

std::int32_t RUDI_CDECL DropRow(std::int32_t, std::int32_t, std::int32_t, std::uint8_t*, std::int32_t) { return 1; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: decode-once FILE.erf\n");
        return 2;
    }
    LineCallbackRecord callbacks{&DropRow};
    ReadFileExec(0, argv[1], 0, 0, 0, &callbacks);
    return 0;
}
