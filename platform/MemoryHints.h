#pragma once

#include <cstddef>

// Asks the system to back the not yet touched part of a large buffer with huge pages. On some
// virtual machines a fault on a fresh 4 KiB page costs microseconds, and faulting in a buffer of
// tens of megabytes then takes longer than the work done on it. Only a hint: it may be ignored,
// and buffers under a few megabytes are left alone.
void PreferHugePages(char* data, std::size_t size);

// Lets the heap grow in one step of at least `size` bytes and asks for huge pages on it, for a
// phase that is about to make very many small allocations (thousands of widgets). Only a hint, as
// above; where the C library cannot be told, nothing happens.
void PreferHugePagesForHeap(std::size_t size);
