#include "tools/make_erf/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

std::string Reason(const char* call) { return std::string(call) + ": " + std::strerror(errno); }

// The mode a plainly created file would have: 0666 less the umask.
mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Copies the file behind `descriptor` to standard output.
bool CopyToStandardOutput(int descriptor, std::string& error) {
    if (lseek(descriptor, 0, SEEK_SET) < 0) {
        error = Reason("lseek");
        return false;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = Reason("read");
            return false;
        }
        if (got == 0) break;
        if (std::fwrite(buffer, 1, static_cast<std::size_t>(got), stdout) != static_cast<std::size_t>(got)) {
            error = Reason("write to standard output");
            return false;
        }
    }
    if (std::fflush(stdout) != 0) {
        error = Reason("write to standard output");
        return false;
    }
    return true;
}

}  // namespace

OutputFile::~OutputFile() {
    if (descriptor_ >= 0) close(descriptor_);
    if (!temporary_.empty()) unlink(temporary_.c_str());
}

bool OutputFile::Create(std::string& error) {
    namespace fs = std::filesystem;
    // A symbolic link stays: the file it names takes the new bytes.
    std::error_code ignored;
    if (!ToStandardOutput() && fs::is_symlink(target_, ignored)) {
        const fs::path linked = fs::weakly_canonical(target_, ignored);
        if (!linked.empty()) target_ = linked.string();
    }
    const fs::path folder = ToStandardOutput() ? fs::temp_directory_path(ignored) : fs::path(target_).parent_path();
    const std::string name = ToStandardOutput() ? "make-erf" : fs::path(target_).filename().string();
    const fs::path where = folder.empty() ? fs::path(".") : folder;
    std::string pattern = (where / ("." + name + ".XXXXXX")).string();
    descriptor_ = mkstemp(pattern.data());
    if (descriptor_ < 0) {
        error = "cannot create a file in " + where.string() + ": " + std::strerror(errno);
        return false;
    }
    temporary_ = pattern;
    return true;
}

bool OutputFile::Commit(std::string& error) {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    if (ToStandardOutput()) {
        const bool copied = CopyToStandardOutput(descriptor, error);
        close(descriptor);
        return copied;
    }
    // On disk, with a new file's mode, before it takes the target's name.
    const char* failed = fchmod(descriptor, NewFileMode()) != 0 ? "fchmod"
                         : fsync(descriptor) != 0                ? "fsync"
                                                                 : nullptr;
    if (close(descriptor) != 0 && failed == nullptr) failed = "close";
    if (failed == nullptr && rename(temporary_.c_str(), target_.c_str()) != 0) failed = "rename";
    if (failed != nullptr) {
        error = Reason(failed);
        return false;
    }
    temporary_.clear();
    return true;
}
