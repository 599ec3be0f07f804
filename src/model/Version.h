#pragma once

namespace quillan {

// The program's version, as the about box, the start dialog and quillan-cli --version show it.
inline constexpr const char* VERSION_NUMBER = "1.0.0-11";
inline constexpr const char* VERSION_TEXT = "Version 1.0.0-11";

} // namespace quillan
