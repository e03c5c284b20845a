// Shared by the fuzz targets: the checks whose failure is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tiff/tiff_ifd.h"

// Reports the failed condition and aborts: the fuzzer keeps the input.
[[noreturn]] void FuzzFailure(const char* condition, const char* file, int line);
#define FUZZ_CHECK(condition) ((condition) ? void(0) : FuzzFailure(#condition, __FILE__, __LINE__))

// Every filed entry is named by the dictionary under its own number, filed
// under that name, and holds exactly the items its type and count give.
void CheckDirectory(const TiffIfd& ifd);

// In addition, for a directory read from a file of `fileBytes` bytes: every
// entry and every value block lies inside the file.
void CheckDirectoryInFile(const TiffIfd& ifd, std::uint64_t fileBytes);

// True when two directories hold the same names, and under each the same
// tag number, type, count, values and value text.
bool SameEntries(const TiffIfd& a, const TiffIfd& b);
