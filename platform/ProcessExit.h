#pragma once

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace vorel {

// Ends the process with `status` without running the destructors of static objects. Qt 6.4's
// PulseAudio engine is such an object: at exit it disconnects from the sound server while its
// own thread may still be using the connection, which now and then aborts the process after a
// sound was played. Call it once the windows, the player and the application object are gone:
// nothing the programs keep depends on static destructors.
[[noreturn]] inline void exitSkippingStaticTeardown(int status) {
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // The leak check of a sanitizer build runs at a normal exit, which this one is not.
    __lsan_do_leak_check();
#endif
    std::_Exit(status);
}

} // namespace vorel
