#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vorel::render {

// The headless renderer's command line, without the program name. Returns the exit status:
// 0 done, 1 a file could not be read, written or was refused, 2 a usage error.
int runRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool progressToTerminal);

} // namespace vorel::render
