// Files and folders in the temporary folder, removed with their objects: for
// the tests and the fuzz targets alike, so without GoogleTest, which the fuzz
// targets cannot link. A failure to make or write one throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// TMPDIR when it names a folder, else /tmp (an empty TMPDIR names none).
std::filesystem::path TempDirectory();

// A file with chosen bytes.
class TempFile {
public:
    explicit TempFile(const std::vector<std::uint8_t>& bytes = {});
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }
    const char* c_str() const { return path_.c_str(); }
    std::vector<std::uint8_t> Read() const;
    // Replaces the file's bytes.
    void Write(const std::uint8_t* data, std::size_t size) const;
    void Write(const std::vector<std::uint8_t>& bytes) const { Write(bytes.data(), bytes.size()); }
    // Cuts or extends the file to `bytes`; an extension is a hole of zeros
    // that takes no room on the disk.
    void Resize(std::uint64_t bytes) const;

private:
    std::string path_;
};

// A folder, removed with everything in it.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
