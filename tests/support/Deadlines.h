#pragma once

namespace vorel::test {

// How long a test waits for something that happens in a fraction of a second (a window that
// closes, a process that starts or ends, a dialog that opens, samples that reach the recording):
// far more than the programs need under the sanitizers on a busy machine, so that reaching it
// means a hang, never a slow machine. Tests wait for the event itself and end sooner.
constexpr int hungMs = 30000;

} // namespace vorel::test
