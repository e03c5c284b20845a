// Calls each export of the Windows module many times, on every way a file can
// fail and on a good file, and checks with Windows' own counters that nothing
// is left behind: the process's handles, its committed memory, the bytes in
// use in its heaps and the movable global memory handles still free. First it
// loads the module, decodes a good file and frees the module, 1,000 times, as
// a host that loads its plug-ins for each picture does.
//   export-counters R_UDI.dll [CALLS]
// Writes its files into the current folder, prints the counters before and
// after each case, and exits with 1 when a counter grew or a file was not
// read as expected (2 on bad usage).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "host/module_calls.h"
#include "tests/support/erf_builder.h"

namespace {

// Committed memory the process may gain over the calls without counting as
// growth: the heap takes and keeps whole pages as it likes. The heap's bytes
// in use must not grow at all.
constexpr SIZE_T kCommitSlack = 64 * 1024;

// Windows' own figures and, since Wine 8 reports 0 for the process's handle
// count and private bytes, the same quantities counted directly: the handle
// table probed value by value, and the committed private pages of the address
// space summed region by region.
struct Counters {
    DWORD handleCount = 0;    // GetProcessHandleCount
    long openHandles = 0;     // handle values that name an open object
    SIZE_T privateUsage = 0;  // GetProcessMemoryInfo
    SIZE_T committed = 0;     // committed private pages
    SIZE_T heapBytes = 0;     // bytes in use in the process's heaps
    long freeMovable = 0;     // movable global handles that can still be had
};

// A new handle takes the lowest free value, so handles left open show among
// the first 4,096 values as long as the process has fewer.
long OpenHandles() {
    long open = 0;
    for (ULONG_PTR value = 4; value < 0x4000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
    }
    return open;
}

SIZE_T CommittedPrivateBytes() {
    SIZE_T committed = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) committed += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;  // the end of the address space
        address = next;
    }
    return committed;
}

SIZE_T HeapBytesInUse() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T bytes = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) bytes += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    return bytes;
}

// How many 1-byte movable blocks can be had before GlobalAlloc fails; all
// are freed again. A block that is never freed keeps its handle, and
// Windows has a fixed number of them per process.
long FreeMovableHandles() {
    constexpr long kEnough = 1L << 20;  // in case a system sets no bound
    std::vector<HGLOBAL> blocks;
    blocks.reserve(1 << 17);
    while (static_cast<long>(blocks.size()) < kEnough) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 1);
        if (block == nullptr) break;
        blocks.push_back(block);
    }
    for (HGLOBAL block : blocks) GlobalFree(block);
    return static_cast<long>(blocks.size());
}

Counters Take() {
    Counters counters;
    GetProcessHandleCount(GetCurrentProcess(), &counters.handleCount);
    counters.openHandles = OpenHandles();
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        counters.privateUsage = memory.PrivateUsage;
    }
    counters.committed = CommittedPrivateBytes();
    counters.heapBytes = HeapBytesInUse();
    counters.freeMovable = FreeMovableHandles();
    return counters;
}

bool Grew(const Counters& before, const Counters& after) {
    return after.handleCount > before.handleCount || after.openHandles > before.openHandles ||
           after.privateUsage > before.privateUsage + kCommitSlack ||
           after.committed > before.committed + kCommitSlack || after.heapBytes > before.heapBytes ||
           after.freeMovable < before.freeMovable;
}

bool PutFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }

// A 37 x 29 picture with a strip of varied samples.
std::vector<std::uint8_t> GoodFile() {
    constexpr std::uint32_t kWidth = 37, kHeight = 29;
    std::vector<std::uint16_t> samples(kWidth * kHeight);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint16_t>(i * 37 % 4096);
    return BuildErf({.width = kWidth, .height = kHeight, .strip = PackSamples(samples, kWidth, kHeight)});
}

// One way a file reaches the module: the file's name and bytes, whether it
// is held open without sharing while the case runs, and the rows the module
// delivers from it (-1: not checked here).
struct Case {
    std::string name;
    std::string file;
    std::vector<std::uint8_t> bytes;  // written before the case; none for a missing file
    int rows;
    bool locked = false;
};

std::vector<Case> Cases() {
    return {
        {"missing file", "missing.erf", {}, 0},
        {"locked file", "locked.erf", GoodFile(), 0, true},
        {"bad byte-order mark", "bad-mark.erf", Text(std::string("XX*\0\10\0\0\0", 8)), 0},
        {"bad magic", "bad-magic.erf", Text(std::string("II+\0\10\0\0\0", 8)), 0},
        {"no SubIFDs", "no-subifds.erf", BuildErf({.width = 5, .height = 3, .subIfdCount = 0}), 0},
        {"no width", "no-width.erf", BuildErf({.width = 5, .height = 3, .emptyRawIfd = true}), 0},
        {"width 0", "width-0.erf", BuildErf({.width = 0, .height = 3}), -1},
        {"good file", "good.erf", GoodFile(), 29},
    };
}

int gRows = 0;  // rows delivered since last cleared

std::int32_t RUDI_CDECL TakeRow(std::int32_t, std::int32_t, std::int32_t, std::uint8_t*, std::int32_t) {
    ++gRows;
    return 1;
}

// The exports, each as one call on a file.
std::vector<std::pair<std::string, std::function<void(const char*)>>> Calls(const PluginModule& module) {
    return {
        {"ReadFileDllInfo+Init+Info", [&module](const char*) { IdentifyModule(module); }},
        {"ReadFileGetSize",
         [&module](const char* file) {
             ImageSizeRecord size{};
             std::uint8_t block40[kBlock40Bytes];
             module.readFileGetSize(0, file, &size, block40);
         }},
        {"ReadFileExec",
         [&module](const char* file) {
             LineCallbackRecord callbacks{&TakeRow};
             module.readFileExec(0, file, 0, 0, 0, &callbacks);
         }},
    };
}

void PrintCounters(const std::string& label, int calls, const Counters& before, const Counters& after, bool grew) {
    std::printf("%-45s %5d  %lu->%-6lu %ld->%-6ld %lu->%-8lu %lu->%-10lu %lu->%-8lu %ld->%ld%s\n", label.c_str(), calls,
                static_cast<unsigned long>(before.handleCount), static_cast<unsigned long>(after.handleCount),
                before.openHandles, after.openHandles, static_cast<unsigned long>(before.privateUsage),
                static_cast<unsigned long>(after.privateUsage), static_cast<unsigned long>(before.committed),
                static_cast<unsigned long>(after.committed), static_cast<unsigned long>(before.heapBytes),
                static_cast<unsigned long>(after.heapBytes), before.freeMovable, after.freeMovable,
                grew ? "  GREW" : "");
}

// Loads the module, decodes `file` and frees the module, `cycles` times (after
// a few that may set up what stays for the process's life); true when every
// decode delivered `rows` rows and no counter grew.
bool LoadDecodeFree(const char* path, const std::string& file, int rows, int cycles) {
    int wrongRows = 0;
    const auto cycle = [&] {
        std::string error;
        const auto module = PluginModule::Load(path, error);
        if (module == nullptr) {
            ++wrongRows;
            return;
        }
        gRows = 0;
        LineCallbackRecord callbacks{&TakeRow};
        module->readFileExec(0, file.c_str(), 0, 0, 0, &callbacks);
        if (gRows != rows) ++wrongRows;
    };
    for (int i = 0; i < 3; ++i) cycle();
    FreeMovableHandles();
    const Counters before = Take();
    for (int i = 0; i < cycles; ++i) cycle();
    const Counters after = Take();
    const bool grew = Grew(before, after);
    PrintCounters("LoadLibrary, ReadFileExec, FreeLibrary", cycles, before, after, grew);
    if (wrongRows > 0) std::printf("FAIL: %d cycles did not load the module or deliver %d rows\n", wrongRows, rows);
    return !grew && wrongRows == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::atoi(argv[2]) < 1)) {
        std::fprintf(stderr, "usage: export-counters R_UDI.dll [CALLS]\n");
        return 2;
    }
    const int calls = argc == 3 ? std::atoi(argv[2]) : 300;
    std::printf("%-45s %5s  %-9s %-9s %-17s %-21s %-17s %s\n", "case", "calls", "handles", "open", "private bytes",
                "committed", "heap bytes", "free movable");
    // Before the module is loaded for the other cases, so that each free unloads it.
    const std::string good = "unload.erf";
    if (!PutFile(good, GoodFile())) {
        std::fprintf(stderr, "export-counters: cannot write %s\n", good.c_str());
        return 1;
    }
    bool failed = !LoadDecodeFree(argv[1], good, 29, 1000);
    DeleteFileA(good.c_str());

    std::string error;
    const auto module = PluginModule::Load(argv[1], error);
    if (module == nullptr) {
        std::fprintf(stderr, "export-counters: %s\n", error.c_str());
        return 1;
    }
    const auto exports = Calls(*module);
    for (const Case& c : Cases()) {
        DeleteFileA(c.file.c_str());
        if (!c.bytes.empty() && !PutFile(c.file, c.bytes)) {
            std::fprintf(stderr, "export-counters: cannot write %s\n", c.file.c_str());
            return 1;
        }
        // Held without sharing, as another program may hold a file.
        HANDLE lock = c.locked ? CreateFileA(c.file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
        if (c.locked && lock == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "export-counters: cannot lock %s\n", c.file.c_str());
            return 1;
        }
        // What the module makes of the file: a lock must keep it out.
        ImageSizeRecord size{};
        module->readFileGetSize(0, c.file.c_str(), &size, nullptr);
        gRows = 0;
        LineCallbackRecord callbacks{&TakeRow};
        module->readFileExec(0, c.file.c_str(), 0, 0, 0, &callbacks);
        std::printf("%s: %lu x %lu, %d rows delivered\n", c.name.c_str(), static_cast<unsigned long>(size.width),
                    static_cast<unsigned long>(size.height), gRows);
        if (c.rows >= 0 && gRows != c.rows) {
            std::printf("FAIL: %s: %d rows delivered, %d expected\n", c.name.c_str(), gRows, c.rows);
            failed = true;
        }
        for (const auto& [name, call] : exports) {
            // The first calls set up what stays for the process's life (row
            // buffers, the C library's streams); so does the first count.
            for (int i = 0; i < 3; ++i) call(c.file.c_str());
            FreeMovableHandles();
            const Counters before = Take();
            for (int i = 0; i < calls; ++i) call(c.file.c_str());
            const Counters after = Take();
            const bool caseGrew = Grew(before, after);
            failed |= caseGrew;
            char label[64];
            std::snprintf(label, sizeof label, "%-19s %s", c.name.c_str(), name.c_str());
            PrintCounters(label, calls, before, after, caseGrew);
        }
        if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
        DeleteFileA(c.file.c_str());
    }
    std::printf("%s\n", failed ? "FAIL: see above" : "PASS: no counter grew");
    return failed ? 1 : 0;
}
