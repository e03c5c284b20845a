// Writes a picture to a file: a 24-bit BMP (the picture as a DIB file) or a
// PNG, chosen by the file's extension.
#pragma once

#include <string>

#include "host/picture.h"

// True for names ending in ".bmp" or ".png", in any case.
bool IsPictureFileName(const std::string& path);
// False with the reason in `error` when the file cannot be written.
bool WritePicture(const Picture& picture, const std::string& path, std::string& error);
bool WriteBmp(const Picture& picture, const std::string& path, std::string& error);
bool WritePng(const Picture& picture, const std::string& path, std::string& error);
