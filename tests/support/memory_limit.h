// Bounding a test process's memory, to show how code behaves when an
// allocation is refused. Use it inside a death test's child: the bound stays.
#pragma once

#include <cstddef>

// Lets the process map at most `extraBytes` more than it has mapped now.
void LimitAddressSpaceToCurrentPlus(std::size_t extraBytes);
