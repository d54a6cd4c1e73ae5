#pragma once

#include <QString>

#include <string_view>

namespace vorel {

// The engine's labels and names are single-byte text.
inline QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace vorel
