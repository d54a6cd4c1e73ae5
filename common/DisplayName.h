#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace vorel {

// The 24-character name shown for a loaded or saved file: its title up to the first '.', cut to
// 24 characters and padded with spaces; each character keeps only its low byte.
inline constexpr std::size_t displayNameLength = 24;
using DisplayName = std::array<char, displayNameLength>;

// 24 spaces: no file loaded or saved yet.
inline DisplayName blankName() {
    DisplayName name;
    name.fill(' ');
    return name;
}

inline DisplayName nameFromTitle(std::u16string_view title) {
    DisplayName name = blankName();
    for (std::size_t i = 0; i < displayNameLength && i < title.size(); ++i) {
        if (title[i] == u'.')
            break;
        name[i] = static_cast<char>(title[i] & 0xFF);
    }
    return name;
}

} // namespace vorel
