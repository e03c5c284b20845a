#include "develop/row_buffers.h"

#include <new>
#include <stdexcept>

bool RowBuffers::Size(std::int64_t width) {
    if (width < 0) return false;
    // Three bytes spare: a row of width 0 still has a valid address to hand out.
    const std::uint64_t wanted = 3 * static_cast<std::uint64_t>(width) + 3;
    if (wanted > rowA.max_size()) return false;
    try {
        for (auto* row : {&rowA, &rowB, &rowC}) {
            if (row->size() < wanted) row->resize(static_cast<std::size_t>(wanted));
        }
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}
