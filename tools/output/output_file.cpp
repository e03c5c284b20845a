#include "tools/output/output_file.h"

#include "tools/output/file_names.h"
#include "platform/console_text.h"

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

#include "platform/windows_text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

namespace fs = std::filesystem;

// `folder`, or the current one when it is empty.
std::string FolderOrHere(const fs::path& folder) { return folder.empty() ? std::string(".") : files::NameOf(folder); }

// What marks a temporary file of ours: ".NAME.incomplete-PROCESS-" and a
// unique ending of kEndingLength letters and digits, NAME the target's (or
// "standard-output", "standard-input").
constexpr const char* kTemporaryMark = ".incomplete-";
constexpr std::size_t kEndingLength = 6;
constexpr std::size_t kWriteBufferBytes = std::size_t{1} << 18;  // each picture's stream
// Room left in a 255-byte file name for the mark, the process and the ending.
constexpr std::size_t kLongestNameInTemporary = 200;
// The most digits a process number has in a temporary file's name (2^32 - 1).
constexpr std::size_t kLongestProcessNumber = 10;

std::string TemporaryStem(const std::string& target) {
    std::string name = target == kStandardOutput ? "standard-output" : files::NameOf(files::PathOf(target).filename());
    name.resize(std::min(name.size(), kLongestNameInTemporary));
    return "." + name + kTemporaryMark;
}

std::string TemporaryName(const std::string& target, unsigned long process) {
    return TemporaryStem(target) + std::to_string(process) + "-";
}

bool IsAsciiAlphanumeric(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The process of `name` when it is exactly `stem`, a process number (digits,
// no sign, blank or leading zero), '-' and the ending our files get; none for
// any other name.
std::optional<unsigned long> ProcessOfTemporary(const std::string& name, const std::string& stem) {
    if (name.compare(0, stem.size(), stem) != 0) return std::nullopt;
    const std::size_t dash = name.find('-', stem.size());
    const std::size_t digits = dash == std::string::npos ? 0 : dash - stem.size();
    if (digits == 0 || digits > kLongestProcessNumber || name[stem.size()] == '0') return std::nullopt;
    if (name.size() != dash + 1 + kEndingLength) return std::nullopt;
    unsigned long process = 0;
    for (std::size_t i = stem.size(); i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return std::nullopt;
        process = process * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    if (!std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dash) + 1, name.end(), IsAsciiAlphanumeric))
        return std::nullopt;
    return process;
}

bool ProcessIsGone(unsigned long process);
// Removes `path` if it is a regular file of this user (never a link, a folder
// or anything else) that no writer holds: a writer keeps its temporary file
// locked while it lives, which holds across process namespaces too, where
// its process number means nothing.
void RemoveIfAbandoned(const fs::path& path);

// Removes the temporary files for `target` in `folder` that a run of ours
// left when it was killed: those of our own making, for this very name, whose
// process has ended and whose writer holds them no more. Once for each name
// in a run: none can appear later, this process being alive.
void RemoveStaleTemporaries(const std::string& folder, const std::string& target) {
    static std::set<std::string> cleaned;
    const std::string stem = TemporaryStem(target);
    if (!cleaned.insert(folder + '\0' + stem).second) return;
    std::error_code failure;
    for (fs::directory_iterator entry(files::PathOf(folder), failure), end; !failure && entry != end;
         entry.increment(failure)) {
        const std::optional<unsigned long> process = ProcessOfTemporary(files::NameOf(entry->path().filename()), stem);
        if (process && ProcessIsGone(*process)) RemoveIfAbandoned(entry->path());
    }
}

// A symbolic link at the target is followed, so that the link stays and the
// file it names gets the new bytes: a dangling link too, whose target is then
// made. At most kLinksFollowed links, as the system's own lookups.
std::string ResolvedTarget(const std::string& target) {
    constexpr int kLinksFollowed = 40;
    fs::path path = files::PathOf(target);
    for (int followed = 0; followed < kLinksFollowed; ++followed) {
        std::error_code failure;
        if (!fs::is_symlink(fs::symlink_status(path, failure))) return files::NameOf(path);
        const fs::path next = fs::read_symlink(path, failure);
        if (failure) return files::NameOf(path);
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return target;
}

#ifdef _WIN32
// In UTF-16, then UTF-8 as every other text: the ANSI code page's form
// would mix two encodings in one line beside a UTF-8 name.
std::string WindowsErrorText(DWORD code) {
    wchar_t text[256] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text / sizeof text[0], nullptr);
    std::string reason = windows_text::Narrow(std::wstring_view(text, length));
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

// The file is opened without FILE_SHARE_DELETE: while its writer lives, no
// other process can remove it.
void RemoveIfAbandoned(const fs::path& path) {
    std::error_code failure;
    if (!fs::is_regular_file(fs::symlink_status(path, failure))) return;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return;
    DeleteFileW(path.c_str());
}

// A new, empty file named TemporaryName(target) and a number of
// kEndingLength digits in `folder`, open to no other process.
bool MakeTemporary(const std::string& folder, const std::string& target, std::string& name, std::FILE*& stream,
                   std::string& reason) {
    const std::string stem = folder + "\\" + TemporaryName(target, GetCurrentProcessId());
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::string number = std::to_string(attempt);
        name = stem + std::string(kEndingLength - number.size(), '0') + number;
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

#ifdef F_OFD_SETLK
// A lock held by the open file itself: closing another descriptor of the same
// file (as the module does with an input spooled here) keeps it, and it
// binds every process that sees the file, in whatever PID namespace.
constexpr int kSetLock = F_OFD_SETLK;
#else
constexpr int kSetLock = F_SETLK;
#endif

// Locks the whole of `descriptor`'s file, without waiting.
bool LockWhole(int descriptor, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return fcntl(descriptor, kSetLock, &lock) == 0;
}

bool SameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

void RemoveIfAbandoned(const fs::path& path) {
    struct stat named {};
    if (lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_uid != geteuid()) return;
    const int descriptor = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return;
    struct stat opened {};
    // A writer holds a write lock on its file while it lives: a read lock
    // here is refused then. The name must still lead to the file locked.
    if (fstat(descriptor, &opened) == 0 && SameFile(opened, named) && LockWhole(descriptor, F_RDLCK) &&
        lstat(path.c_str(), &named) == 0 && SameFile(opened, named)) {
        unlink(path.c_str());
    }
    close(descriptor);
}

// A new, empty file named TemporaryName(target) and six letters or digits in
// `folder`, write-locked for as long as it is open (see RemoveIfAbandoned);
// it takes the mode of the file it replaces, or the mode any new file would
// get.
bool MakeTemporary(const std::string& folder, const std::string& target, std::string& name, std::FILE*& stream,
                   std::string& reason) {
    // A run cleaning the folder may hold the new file for a moment, before
    // its lock, and remove it: then another name is taken.
    constexpr int kAttempts = 100;
    std::string pattern;
    int descriptor = -1;
    for (int attempt = 0; attempt < kAttempts && descriptor < 0; ++attempt) {
        pattern = folder + "/" + TemporaryName(target, static_cast<unsigned long>(getpid())) +
                  std::string(kEndingLength, 'X');
        descriptor = mkstemp(pattern.data());
        if (descriptor < 0) {
            reason = ErrnoText(errno);
            return false;
        }
        struct stat opened {
        }, named{};
        const bool locked = LockWhole(descriptor, F_WRLCK);
        if (locked && fstat(descriptor, &opened) == 0 && lstat(pattern.c_str(), &named) == 0 && SameFile(opened, named))
            break;
        if (!locked) unlink(pattern.c_str());
        close(descriptor);
        descriptor = -1;
    }
    if (descriptor < 0) {
        reason = ErrnoText(EEXIST);
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

bool StandardOutputIsTerminal() { return IsTerminal(stdout); }

std::string ErrorText(const std::error_code& error) {
#ifdef _WIN32
    if (error.category() == std::system_category()) return WindowsErrorText(static_cast<DWORD>(error.value()));
#endif
    return error.message();
}

#ifdef _WIN32
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
    RemoveStaleTemporaries(folder, target_);
    if (MakeTemporary(folder, target_, temporary_, stream_, reason)) {
        // A picture of megabytes goes out in few system calls, not in 4 KiB ones.
        buffer_.resize(kWriteBufferBytes);
        std::setvbuf(stream_, buffer_.data(), _IOFBF, buffer_.size());
        return true;
    }
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
