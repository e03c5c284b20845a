#include "tools/output/output_file.h"

#include "tools/output/file_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
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
std::string FolderOrHere(const fs::path& folder) { return folder.empty() ? std::string(".") : files::NameOf(folder); }

// What marks a temporary file of ours: ".NAME.incomplete-PROCESS-" and a
// unique ending, NAME the target's (or "standard-output").
constexpr const char* kTemporaryMark = ".incomplete-";
// Room left in a 255-byte file name for the mark, the process and the ending.
constexpr std::size_t kLongestNameInTemporary = 200;

bool ProcessIsGone(unsigned long process);

std::string TemporaryName(const std::string& target, unsigned long process) {
    std::string name = target == kStandardOutput ? "standard-output" : files::NameOf(files::PathOf(target).filename());
    name.resize(std::min(name.size(), kLongestNameInTemporary));
    return "." + name + kTemporaryMark + std::to_string(process) + "-";
}

// Removes the temporary files in `folder` that a run of ours left when it was
// killed: those whose process has ended. Once a folder in a run: none can
// appear later, this process being alive.
void RemoveStaleTemporaries(const std::string& folder) {
    static std::set<std::string> cleaned;
    if (!cleaned.insert(folder).second) return;
    std::error_code failure;
    for (fs::directory_iterator entry(files::PathOf(folder), failure), end; !failure && entry != end;
         entry.increment(failure)) {
        const std::string name = files::NameOf(entry->path().filename());
        const std::size_t mark = name.rfind(kTemporaryMark);
        if (name.empty() || name[0] != '.' || mark == std::string::npos) continue;
        char* rest = nullptr;
        const char* digits = name.c_str() + mark + std::strlen(kTemporaryMark);
        const unsigned long process = std::strtoul(digits, &rest, 10);
        std::error_code ignored;
        if (rest != digits && *rest == '-' && entry->is_regular_file(ignored) && ProcessIsGone(process)) {
            fs::remove(entry->path(), ignored);
        }
    }
}

// A symbolic link at the target is followed, so that the link stays and the
// file it names gets the new bytes.
std::string ResolvedTarget(const std::string& target) {
    std::error_code failure;
    if (!fs::is_symlink(files::PathOf(target), failure)) return target;
    const fs::path resolved = fs::weakly_canonical(files::PathOf(target), failure);
    return failure ? target : files::NameOf(resolved);
}

#ifdef _WIN32
std::string WindowsErrorText(DWORD code) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    return reason.empty() ? "error " + std::to_string(code) : reason;
}

bool ProcessIsGone(unsigned long process) {
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (handle == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD status = 0;
    const bool ended = GetExitCodeProcess(handle, &status) != 0 && status != STILL_ACTIVE;
    CloseHandle(handle);
    return ended;
}

// A new, empty file named TemporaryName(target) and a number in `folder`.
bool MakeTemporary(const std::string& folder, const std::string& target, std::string& name, std::FILE*& stream,
                   std::string& reason) {
    const std::string stem = folder + "\\" + TemporaryName(target, GetCurrentProcessId());
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        name = stem + std::to_string(attempt);
        HANDLE handle = CreateFileW(files::Wide(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            reason = WindowsErrorText(GetLastError());
            return false;
        }
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
        stream = descriptor < 0 ? nullptr : _fdopen(descriptor, "w+b");
        if (stream != nullptr) return true;
        reason = ErrnoText(errno);
        descriptor < 0 ? CloseHandle(handle) : _close(descriptor);
        files::Remove(name);
        return false;
    }
    reason = WindowsErrorText(ERROR_FILE_EXISTS);
    return false;
}

bool ToDisk(std::FILE* stream) { return _commit(_fileno(stream)) == 0; }

bool MoveIntoPlace(const std::string& from, const std::string& to, bool replace, std::string& reason) {
    if (MoveFileExW(files::Wide(from).c_str(), files::Wide(to).c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0) {
        return true;
    }
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

bool ProcessIsGone(unsigned long process) {
    return process > 0 && process <= INT32_MAX && kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
}

// A new, empty file named TemporaryName(target) in `folder`; it takes the mode
// of the file it replaces, or the mode any new file would get.
bool MakeTemporary(const std::string& folder, const std::string& target, std::string& name, std::FILE*& stream,
                   std::string& reason) {
    std::string pattern = folder + "/" + TemporaryName(target, static_cast<unsigned long>(getpid())) + "XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        reason = ErrnoText(errno);
        return false;
    }
    name = pattern;
    NotePending(name);
    struct stat replaced {};
    mode_t mode;
    if (target != kStandardOutput && stat(target.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode)) {
        mode = replaced.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);  // mkstemp gives 0600
        umask(mask);
        mode = 0666 & ~mask;
    }
    stream = fchmod(descriptor, mode) == 0 ? fdopen(descriptor, "w+b") : nullptr;
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

#ifdef _WIN32
bool StandardOutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    HANDLE handle = CreateFileW(files::Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION facts{};
    const bool known = GetFileInformationByHandle(handle, &facts) != 0;
    CloseHandle(handle);
    if (!known) return std::nullopt;
    return FileIdentity{facts.dwVolumeSerialNumber, (std::uint64_t{facts.nFileIndexHigh} << 32) | facts.nFileIndexLow};
}
#else
bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat facts {};
    if (stat(path.c_str(), &facts) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(facts.st_dev), static_cast<std::uint64_t>(facts.st_ino)};
}
#endif

bool OutputFile::Open(const std::string& target, bool replace, std::string& error) {
    Discard();
    target_ = target;
    replace_ = replace;
    std::string folder;
    if (ToStandardOutput()) {
        if (StandardOutputIsTerminal()) {
            error = kTerminalRefused;
            return false;
        }
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
        folder = FolderOrHere(files::PathOf(target_).parent_path());
    }
    std::string reason;
    RemoveStaleTemporaries(folder);
    if (MakeTemporary(folder, target_, temporary_, stream_, reason)) return true;
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
    if (!temporary_.empty()) files::Remove(temporary_);
    Forget();
}

void OutputFile::Forget() {
    temporary_.clear();
#ifndef _WIN32
    NotePending({});
#endif
}
