#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace vorel {

// The kinds of file the programs read, each with the command that loads it.
enum class FileKind { wave, sound, sequence, recording, midi };

// The reason a load of `expected` refused the file at `path` (its first bytes in `head`, all of
// them when it is short), with what the file is put first when its name, its first bytes or its
// size say it is of another kind: "it is a wave file by its size (800 bytes), not a sound file:
// "Load wave data" loads it in the sound editor, "Load" in the wave editor (as a sound file: the
// setting detune has index 1072693248, outside 0..9)". Otherwise the reason as it is. A name
// ending in a suffix of the programs is believed; the first bytes and the size are asked only
// of a file named otherwise.
std::string refusalReason(FileKind expected, const std::string& path,
                          std::span<const std::byte> head, const std::string& reason);

} // namespace vorel
