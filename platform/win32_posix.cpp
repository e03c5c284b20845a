// POSIX implementation of the Win32 calls declared in win32.h.
#include "platform/win32.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

thread_local DWORD gLastError = 0;

void SetLastError(DWORD code) { gLastError = code; }

// A file handle is a heap record around the descriptor, so that a stale or
// foreign pointer can be told apart from a handle we made.
struct FileRecord {
    std::uint32_t magic;
    int fd;
};
constexpr std::uint32_t kFileMagic = 0x46494C45u;  // "FILE"

FileRecord* AsFile(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    auto* file = static_cast<FileRecord*>(handle);
    return file->magic == kFileMagic ? file : nullptr;
}

DWORD ErrorFromErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR: return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR: return ERROR_ACCESS_DENIED;
        default: return ERROR_INVALID_PARAMETER;
    }
}

// A global block: this header, then the caller's bytes at a 16-byte boundary.
struct alignas(16) GlobalRecord {
    std::uint32_t magic;
    std::uint32_t lockCount;
    SIZE_T bytes;
};
constexpr std::uint32_t kGlobalMagic = 0x474C4F42u;  // "GLOB"

GlobalRecord* AsGlobal(HGLOBAL memory) {
    if (memory == nullptr) return nullptr;
    auto* record = static_cast<GlobalRecord*>(memory);
    return record->magic == kGlobalMagic ? record : nullptr;
}

// wsprintfA's output buffer is limited to 1,024 bytes, terminator included.
constexpr int kFormatLimit = 1024;

class LimitedOutput {
public:
    explicit LimitedOutput(char* out) : out_(out) {}
    void Put(char c) {
        if (length_ < kFormatLimit - 1) out_[length_++] = c;
    }
    void Put(const char* text, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) Put(text[i]);
    }
    void Pad(std::size_t have, int width, char fill) {
        for (std::size_t i = have; static_cast<int>(i) < width; ++i) Put(fill);
    }
    int Finish() {
        out_[length_] = '\0';
        return length_;
    }

private:
    char* out_;
    int length_ = 0;
};

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES, DWORD creationDisposition, DWORD, HANDLE) {
    if (fileName == nullptr || (creationDisposition != OPEN_EXISTING && creationDisposition != CREATE_ALWAYS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const bool reading = (desiredAccess & GENERIC_READ) != 0;
    const bool writing = (desiredAccess & GENERIC_WRITE) != 0;
    int flags = reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
    if (creationDisposition == CREATE_ALWAYS) flags |= O_CREAT;
    const int fd = open(fileName, flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    // Share mode 0 admits no second opener while this handle is open.
    if (flock(fd, (shareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    // Truncate only once the file is ours, so a refused opener destroys nothing.
    if (creationDisposition == CREATE_ALWAYS && ftruncate(fd, 0) != 0) {
        close(fd);
        SetLastError(ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    return new FileRecord{kFileMagic, fd};
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    FileRecord* file = AsFile(handle);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    close(file->fd);
    file->magic = 0;
    delete file;
    return TRUE;
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    if (bytesRead != nullptr) *bytesRead = 0;
    FileRecord* file = AsFile(handle);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto* out = static_cast<char*>(buffer);
    DWORD done = 0;
    while (done < bytesToRead) {
        const ssize_t got = read(file->fd, out + done, bytesToRead - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            SetLastError(ErrorFromErrno(errno));
            if (bytesRead != nullptr) *bytesRead = done;
            return FALSE;
        }
        if (got == 0) break;  // end of file: success with fewer bytes, as on Windows
        done += static_cast<DWORD>(got);
    }
    if (bytesRead != nullptr) *bytesRead = done;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED) {
    if (bytesWritten != nullptr) *bytesWritten = 0;
    FileRecord* file = AsFile(handle);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const auto* in = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < bytesToWrite) {
        const ssize_t put = write(file->fd, in + done, bytesToWrite - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            SetLastError(put < 0 ? ErrorFromErrno(errno) : ERROR_ACCESS_DENIED);
            if (bytesWritten != nullptr) *bytesWritten = done;
            return FALSE;
        }
        done += static_cast<DWORD>(put);
    }
    if (bytesWritten != nullptr) *bytesWritten = done;
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD moveMethod) {
    FileRecord* file = AsFile(handle);
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit number.
    std::int64_t move = distance;
    if (distanceHigh != nullptr) {
        move = static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
                                         static_cast<std::uint32_t>(distance));
    }
    std::int64_t origin = 0;
    if (moveMethod == FILE_CURRENT) {
        origin = lseek(file->fd, 0, SEEK_CUR);
    } else if (moveMethod != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t target = origin + move;
    if (origin < 0 || target < 0) {  // the pointer stays where it was
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(file->fd, target, SEEK_SET) < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(target >> 32);
    SetLastError(0);
    return static_cast<DWORD>(target);
}

DWORD WINAPI GetLastError() { return gLastError; }

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (bytes > std::numeric_limits<SIZE_T>::max() - sizeof(GlobalRecord)) return nullptr;
    const SIZE_T total = sizeof(GlobalRecord) + bytes;
    void* raw = (flags & GMEM_ZEROINIT) != 0 ? std::calloc(1, total) : std::malloc(total);
    if (raw == nullptr) return nullptr;
    auto* record = static_cast<GlobalRecord*>(raw);
    record->magic = kGlobalMagic;
    record->lockCount = 0;
    record->bytes = bytes;
    return record;
}

LPVOID WINAPI GlobalLock(HGLOBAL memory) {
    GlobalRecord* record = AsGlobal(memory);
    if (record == nullptr) return nullptr;
    ++record->lockCount;
    return record + 1;
}

HGLOBAL WINAPI GlobalHandle(LPCVOID locked) {
    if (locked == nullptr) return nullptr;
    auto* record = static_cast<GlobalRecord*>(const_cast<void*>(locked)) - 1;
    return record->magic == kGlobalMagic ? record : nullptr;
}

BOOL WINAPI GlobalUnlock(HGLOBAL memory) {
    GlobalRecord* record = AsGlobal(memory);
    if (record == nullptr || record->lockCount == 0) return FALSE;
    --record->lockCount;
    return record->lockCount > 0 ? TRUE : FALSE;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL memory) {
    GlobalRecord* record = AsGlobal(memory);
    if (record == nullptr) return memory;  // failure: the handle comes back
    record->magic = 0;
    std::free(record);
    return nullptr;
}

int WINAPIV wsprintfA(LPSTR out, LPCSTR format, ...) {
    LimitedOutput output(out);
    va_list args;
    va_start(args, format);
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            output.Put(*p);
            continue;
        }
        ++p;
        bool leftAlign = false;
        char fill = ' ';
        for (; *p == '-' || *p == '0'; ++p) {
            if (*p == '-') leftAlign = true;
            else fill = '0';
        }
        int width = 0;
        for (; *p >= '0' && *p <= '9'; ++p) width = width * 10 + (*p - '0');
        while (*p == 'l' || *p == 'h') ++p;
        char digits[16];
        const char* piece = digits;
        std::size_t length = 0;
        switch (*p) {
            case 's': {
                piece = va_arg(args, const char*);
                if (piece == nullptr) piece = "(null)";
                length = std::strlen(piece);
                fill = ' ';
                break;
            }
            case 'c': digits[0] = static_cast<char>(va_arg(args, int)); length = 1; break;
            case 'd':
            case 'i': length = static_cast<std::size_t>(std::snprintf(digits, sizeof digits, "%d", va_arg(args, int))); break;
            case 'u': length = static_cast<std::size_t>(std::snprintf(digits, sizeof digits, "%u", va_arg(args, unsigned))); break;
            case 'x': length = static_cast<std::size_t>(std::snprintf(digits, sizeof digits, "%x", va_arg(args, unsigned))); break;
            case 'X': length = static_cast<std::size_t>(std::snprintf(digits, sizeof digits, "%X", va_arg(args, unsigned))); break;
            case '\0': --p; continue;  // a lone '%' at the end prints nothing
            default: output.Put(*p); continue;  // "%%" and unknown conversions print the character
        }
        if (leftAlign) {
            output.Put(piece, length);
            output.Pad(length, width, ' ');
        } else if (fill == '0' && length > 0 && piece[0] == '-') {
            output.Put('-');  // zero padding goes between the sign and the digits
            output.Pad(length, width, '0');
            output.Put(piece + 1, length - 1);
        } else {
            output.Pad(length, width, fill);
            output.Put(piece, length);
        }
    }
    va_end(args);
    return output.Finish();
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR, UINT) {
    // No window here: the text goes to standard error as one line.
    std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
    std::fflush(stderr);
    return IDOK;
}
