// An owner for a C library stream: every way out of its scope closes it.
#pragma once

#include <cstdio>
#include <memory>

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileOwner = std::unique_ptr<std::FILE, FileClose>;
