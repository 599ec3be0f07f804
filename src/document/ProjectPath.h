#pragma once

#include <string>
#include <string_view>

namespace quillan {

// Project files travel between Windows and other systems, so stored and real paths may use
// either separator; new folders end in this platform's.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

struct SplitPath {
    std::string folder; // up to and including the last separator; empty without one
    std::string fileName;
};

[[nodiscard]] SplitPath splitPath(std::string_view path);
// Paths reach the program in the system's encoding; the project file keeps names and folders
// in the 8-bit character set of the model.
[[nodiscard]] std::string toModelText(const std::string& nativeText);
[[nodiscard]] std::string toNativeText(const std::string& modelText);
// The part of a file name before its last ".", or the whole name without one.
[[nodiscard]] std::string stripExtension(std::string_view fileName);
// A folder with a separator appended when it does not end in one (either kind); an empty
// folder stays empty.
[[nodiscard]] std::string withTrailingSeparator(std::string_view folder);

} // namespace quillan
