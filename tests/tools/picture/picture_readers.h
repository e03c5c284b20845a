// Pictures read back by each format's own library, for the tests of what the
// tools write.
#pragma once

#include <filesystem>

#include "tools/picture/picture.h"

// The picture's pixels as blue, green, red (empty when the file cannot be read).
Picture ReadPng(const std::filesystem::path& path);
Picture ReadJpeg(const std::filesystem::path& path);
Picture ReadTiff(const std::filesystem::path& path);
