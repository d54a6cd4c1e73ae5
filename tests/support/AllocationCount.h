#pragma once

#include <cstddef>

namespace vorel::test {

// Every allocation of the test program through operator new so far: a program that links
// AllocationCount.cpp counts them all, so a test can tell that code meant for the audio thread
// allocated nothing.
std::size_t allocationCount();

} // namespace vorel::test
