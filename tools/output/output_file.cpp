#include "tools/output/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

namespace fs = std::filesystem;

// `folder`, or the current one when it is empty.
std::string FolderOrHere(const fs::path& folder) { return folder.empty() ? std::string(".") : folder.string(); }

// A symbolic link at the target is followed, so that the link stays and the
// file it names gets the new bytes.
std::string ResolvedTarget(const std::string& target) {
    std::error_code failure;
    if (!fs::is_symlink(target, failure)) return target;
    const fs::path resolved = fs::weakly_canonical(target, failure);
    return failure ? target : resolved.string();
}

#ifdef _WIN32
std::string WindowsErrorText(DWORD code) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.')) reason.pop_back();
    return reason.empty() ? "error " + std::to_string(code) : reason;
}

// A new, empty file with a name of its own in `folder`.
bool MakeTemporary(const std::string& folder, std::string& name, std::FILE*& stream, std::string& reason) {
    char path[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "erf", 0, path) == 0) {
        reason = WindowsErrorText(GetLastError());
        return false;
    }
    name = path;
    stream = std::fopen(path, "w+b");
    if (stream != nullptr) return true;
    reason = ErrnoText(errno);
    DeleteFileA(path);
    return false;
}

bool ToDisk(std::FILE* stream) { return _commit(_fileno(stream)) == 0; }

bool MoveIntoPlace(const std::string& from, const std::string& to, bool replace, std::string& reason) {
    if (MoveFileExA(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0) return true;
    reason = WindowsErrorText(GetLastError());
    return false;
}
#else
// The temporary file being written, removed when an interrupt or a
// termination ends the program half-way (only one is open at a time).
char gPending[4096];

void RemovePendingAndEnd(int signal) {
    if (gPending[0] != '\0') unlink(gPending);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void NotePending(const std::string& name) {
    static const bool installed = [] {
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(signal, RemovePendingAndEnd);
        return true;
    }();
    (void)installed;
    gPending[0] = '\0';
    if (name.size() < sizeof gPending) std::memcpy(gPending, name.c_str(), name.size() + 1);
}

bool MakeTemporary(const std::string& folder, std::string& name, std::FILE*& stream, std::string& reason) {
    std::string pattern = folder + "/.incomplete-XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        reason = ErrnoText(errno);
        return false;
    }
    name = pattern;
    NotePending(name);
    // mkstemp gives 0600; the file gets the mode any new file would.
    const mode_t mask = umask(0);
    umask(mask);
    stream = fchmod(descriptor, 0666 & ~mask) == 0 ? fdopen(descriptor, "w+b") : nullptr;
    if (stream != nullptr) return true;
    reason = ErrnoText(errno);
    close(descriptor);
    unlink(pattern.c_str());
    return false;
}

bool ToDisk(std::FILE* stream) { return fsync(fileno(stream)) == 0; }

// Without `replace`, a hard link takes the name only if nothing has it; where
// the file system has no hard links, the name is checked just before.
bool MoveIntoPlace(const std::string& from, const std::string& to, bool replace, std::string& reason) {
    if (!replace) {
        if (link(from.c_str(), to.c_str()) == 0) {
            unlink(from.c_str());
            return true;
        }
        const int error = errno;
        if (error == EEXIST || access(to.c_str(), F_OK) == 0) {
            reason = ErrnoText(EEXIST);
            return false;
        }
        if (error != EPERM && error != ENOTSUP && error != EXDEV) {
            reason = ErrnoText(error);
            return false;
        }
    }
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    reason = ErrnoText(errno);
    return false;
}
#endif

// Copies the whole of `stream` to standard output.
bool CopyToStandardOutput(std::FILE* stream, std::string& reason) {
    std::rewind(stream);
    char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
        if (std::fwrite(buffer, 1, got, stdout) != got) break;
    }
    if (!std::ferror(stream) && !std::ferror(stdout) && std::fflush(stdout) == 0) return true;
    reason = ErrnoText(errno);
    return false;
}

}  // namespace

std::string ErrnoText(int error) { return std::strerror(error); }

bool OutputFile::Open(const std::string& target, bool replace, std::string& error) {
    Discard();
    target_ = target;
    replace_ = replace;
    std::string folder;
    if (ToStandardOutput()) {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        if (standardOutput_ == StandardOutput::kDirect) {
            stream_ = stdout;
            return true;
        }
        std::error_code failure;
        folder = FolderOrHere(fs::temp_directory_path(failure));
    } else {
        target_ = ResolvedTarget(target);
        folder = FolderOrHere(fs::path(target_).parent_path());
    }
    std::string reason;
    if (MakeTemporary(folder, temporary_, stream_, reason)) return true;
    error = ToStandardOutput() ? "cannot create a file in " + folder + " for standard output (" + reason + ")"
                               : target + ": cannot create a file in its directory (" + reason + ")";
    Forget();
    return false;
}

bool OutputFile::Commit(std::string& error) {
    if (stream_ == stdout) {
        stream_ = nullptr;
        if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
        error = "cannot write to standard output (" + ErrnoText(errno) + ")";
        return false;
    }
    std::string reason;
    if (ToStandardOutput()) {
        const bool copied = CopyToStandardOutput(stream_, reason);
        Discard();
        if (copied) return true;
        error = "cannot write to standard output (" + reason + ")";
        return false;
    }
    std::FILE* stream = stream_;
    stream_ = nullptr;
    // On disk before it takes the target's name, so that a crash leaves the
    // old file or the new one, never an empty one.
    const bool flushed = std::fflush(stream) == 0 && ToDisk(stream);
    int flushError = errno;
    // fclose reports what the last buffered write found, as on a full disk.
    const bool closed = std::fclose(stream) == 0;
    if (!closed) flushError = errno;
    if (!flushed || !closed) {
        reason = ErrnoText(flushError);
    } else if (MoveIntoPlace(temporary_, target_, replace_, reason)) {
        Forget();
        return true;
    }
    error = target_ + ": cannot write the file (" + reason + ")";
    Discard();
    return false;
}

void OutputFile::Discard() {
    if (stream_ != nullptr && stream_ != stdout) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    Forget();
}

void OutputFile::Forget() {
    temporary_.clear();
#ifndef _WIN32
    NotePending({});
#endif
}
