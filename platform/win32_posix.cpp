// POSIX implementation of the Win32 calls declared in win32.h.
#include "platform/win32.h"

#include "platform/huge_pages.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace {

thread_local DWORD gLastError = 0;

void SetLastError(DWORD code) { gLastError = code; }

// A file handle is a heap record around the descriptor. Every live one is
// registered, so that a stale or foreign handle is told apart from one we
// made without reading through it, and so that the open ones can be counted.
struct FileRecord {
    int fd;
};

// A global memory object. A movable object's handle is the record's own
// address and its memory lies elsewhere; a fixed object's handle is its
// memory. A movable object of 0 bytes is born discarded: it has no memory.
struct GlobalObject {
    bool movable;
    SIZE_T bytes;
    void* data;
    DWORD locks;
};

// The live handles of both kinds, under one lock.
struct Registry {
    std::mutex lock;
    std::unordered_set<const FileRecord*> files;
    std::unordered_map<HGLOBAL, std::unique_ptr<GlobalObject>> globals;
    std::unordered_map<const void*, HGLOBAL> globalOfMemory;
};

Registry& Handles() {
    static Registry registry;
    return registry;
}

FileRecord* AsFile(HANDLE handle) {
    Registry& registry = Handles();
    const std::lock_guard<std::mutex> hold(registry.lock);
    auto* file = static_cast<FileRecord*>(handle);
    return registry.files.contains(file) ? file : nullptr;
}

GlobalObject* AsGlobal(HGLOBAL memory) {
    Registry& registry = Handles();
    const std::lock_guard<std::mutex> hold(registry.lock);
    const auto found = registry.globals.find(memory);
    return found != registry.globals.end() ? found->second.get() : nullptr;
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

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                          DWORD creationDisposition, DWORD, HANDLE) {
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
    auto* file = new FileRecord{fd};
    Registry& registry = Handles();
    const std::lock_guard<std::mutex> hold(registry.lock);
    registry.files.insert(file);
    return file;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    auto* file = static_cast<FileRecord*>(handle);
    {
        Registry& registry = Handles();
        const std::lock_guard<std::mutex> hold(registry.lock);
        if (registry.files.erase(file) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    close(file->fd);
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

DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
    FileRecord* file = AsFile(handle);
    struct stat status {};
    if (file == nullptr || fstat(file->fd, &status) != 0) {
        SetLastError(file == nullptr ? ERROR_INVALID_HANDLE : ErrorFromErrno(errno));
        return INVALID_FILE_SIZE;
    }
    const auto bytes = static_cast<std::uint64_t>(status.st_size);
    if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(bytes >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(bytes);
}

DWORD WINAPI GetLastError() { return gLastError; }

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    // More than half the address space is never to be had.
    if (bytes > static_cast<SIZE_T>(PTRDIFF_MAX)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const bool movable = (flags & GMEM_MOVEABLE) != 0;
    auto object = std::make_unique<GlobalObject>(GlobalObject{movable, bytes, nullptr, 0});
    // A fixed object needs an address even for 0 bytes: it is its handle.
    if (bytes > 0 || !movable) {
        const SIZE_T wanted = bytes > 0 ? bytes : 1;
        object->data = (flags & GMEM_ZEROINIT) != 0 ? std::calloc(1, wanted) : std::malloc(wanted);
        if (object->data == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        AdviseHugePages(object->data, wanted);
    }
    HGLOBAL handle = movable ? static_cast<HGLOBAL>(object.get()) : object->data;
    Registry& registry = Handles();
    const std::lock_guard<std::mutex> hold(registry.lock);
    if (object->data != nullptr) registry.globalOfMemory.emplace(object->data, handle);
    registry.globals.emplace(handle, std::move(object));
    return handle;
}

LPVOID WINAPI GlobalLock(HGLOBAL memory) {
    GlobalObject* object = AsGlobal(memory);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // A discarded object, or one of 0 bytes, has nothing to lock.
    if (object->data == nullptr || object->bytes == 0) {
        SetLastError(ERROR_DISCARDED);
        return nullptr;
    }
    if (object->movable) ++object->locks;  // a fixed object's count stays 0
    return object->data;
}

HGLOBAL WINAPI GlobalHandle(LPCVOID locked) {
    Registry& registry = Handles();
    const std::lock_guard<std::mutex> hold(registry.lock);
    const auto found = registry.globalOfMemory.find(locked);
    if (found == registry.globalOfMemory.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->second;
}

BOOL WINAPI GlobalUnlock(HGLOBAL memory) {
    GlobalObject* object = AsGlobal(memory);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->movable) return TRUE;
    if (object->locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--object->locks > 0) return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL memory) {
    if (memory == nullptr) return nullptr;
    std::unique_ptr<GlobalObject> object;
    {
        Registry& registry = Handles();
        const std::lock_guard<std::mutex> hold(registry.lock);
        const auto found = registry.globals.find(memory);
        if (found == registry.globals.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return memory;  // failure: the handle comes back
        }
        object = std::move(found->second);
        registry.globals.erase(found);
        if (object->data != nullptr) registry.globalOfMemory.erase(object->data);
    }
    // A locked object is freed too.
    std::free(object->data);
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
            case 'c':
                digits[0] = static_cast<char>(va_arg(args, int));
                length = 1;
                break;
            case 'd':
            case 'i':
                length = static_cast<std::size_t>(std::snprintf(digits, sizeof digits, "%d", va_arg(args, int)));
                break;
            case 'u':
                length = static_cast<std::size_t>(std::snprintf(digits, sizeof digits, "%u", va_arg(args, unsigned)));
                break;
            case 'x':
                length = static_cast<std::size_t>(std::snprintf(digits, sizeof digits, "%x", va_arg(args, unsigned)));
                break;
            case 'X':
                length = static_cast<std::size_t>(std::snprintf(digits, sizeof digits, "%X", va_arg(args, unsigned)));
                break;
            case '\0': --p; continue;           // a lone '%' at the end prints nothing
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

std::size_t StandInLiveGlobalBlocks() {
    Registry& registry = Handles();
    const std::lock_guard<std::mutex> hold(registry.lock);
    return registry.globals.size();
}

std::size_t StandInOpenFileHandles() {
    Registry& registry = Handles();
    const std::lock_guard<std::mutex> hold(registry.lock);
    return registry.files.size();
}

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR, UINT) {
    // No window here: the text goes to standard error as one line, after the
    // program's name, as the program's own messages.
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, text != nullptr ? text : "");
    std::fflush(stderr);
    return IDOK;
}
