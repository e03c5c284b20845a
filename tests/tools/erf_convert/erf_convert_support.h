// Helpers for the tests that run erf-convert as a user runs it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/picture/picture.h"
#include "tests/support/run_command.h"
#include "tests/tools/picture/picture_readers.h"

Outcome ErfConvert(const Scratch& scratch, const std::string& arguments);
void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
// A small raw file of made-up samples (no IFD0 picture, no camera tags).
std::vector<std::uint8_t> ErfBytes(std::uint32_t width, std::uint32_t height);
// make-erf's file of its test chart: thumbnail, camera tags, 72 dpi, Orientation 1.
void WriteChartErf(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height);
// Puts `value` into IFD0's Orientation of a little-endian file.
void SetOrientation(const std::filesystem::path& path, std::uint16_t value);
// The module's own picture of the file, in-process.
Picture ModulePicture(const std::filesystem::path& path);
