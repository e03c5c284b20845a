// Nothing is thrown across an export: the host is not C++, and an exception
// that left the module would end it.
#pragma once

#include <cstdint>

// Runs an export's work. Should it throw anyway, the exception ends here and
// `failure` leaves the export's documented failure result instead. Either
// way the export returns 1, as every export does.
template <typename Work, typename Failure>
std::int32_t RunExport(Work&& work, Failure&& failure) noexcept {
    try {
        work();
    } catch (...) {
        failure();
    }
    return 1;
}
