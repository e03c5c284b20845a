#include "tests/support/memory_limit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "develop/file_owner.h"

void LimitAddressSpaceToCurrentPlus(std::size_t extraBytes) {
    long pages = 0;  // the first field of statm: the whole mapped size, in pages
    if (const FileOwner statm{std::fopen("/proc/self/statm", "r")}) {
        if (std::fscanf(statm.get(), "%ld", &pages) != 1) pages = 0;
    }
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + extraBytes;
    const rlimit bound{limit, limit};
    setrlimit(RLIMIT_AS, &bound);
}

bool UnderEmulator() {
    const char* emulated = std::getenv("RUDI_EMULATED_I386");
    return emulated != nullptr && std::strcmp(emulated, "1") == 0;
}
