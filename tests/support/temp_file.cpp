#include "tests/support/temp_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(errno));
}

// The pattern mkstemp and mkdtemp fill in.
std::string Pattern() { return (TempDirectory() / "rudi-test-XXXXXX").string(); }

}  // namespace

fs::path TempDirectory() {
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

TempFile::TempFile(const std::vector<std::uint8_t>& bytes) {
    std::string pattern = Pattern();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) Fail("make a temporary file like", pattern);
    close(fd);
    path_ = pattern;
    Write(bytes);
}

TempFile::~TempFile() { unlink(path_.c_str()); }

std::vector<std::uint8_t> TempFile::Read() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void TempFile::Write(const std::uint8_t* data, std::size_t size) const {
    const int fd = open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) Fail("open", path_);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = write(fd, data + done, size - done);
        if (put <= 0) break;
        done += static_cast<std::size_t>(put);
    }
    close(fd);
    if (done != size) Fail("write", path_);
}

void TempFile::Resize(std::uint64_t bytes) const {
    if (truncate(path_.c_str(), static_cast<off_t>(bytes)) != 0) Fail("resize", path_);
}

Scratch::Scratch() {
    std::string pattern = Pattern();
    if (mkdtemp(pattern.data()) == nullptr) Fail("make a temporary folder like", pattern);
    path_ = pattern;
}

Scratch::~Scratch() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}
