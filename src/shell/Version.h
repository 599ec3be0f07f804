#pragma once

namespace quillan::shell {

// The version the start dialog and the about box show.
inline constexpr const char* VERSION_NUMBER = "1.0.0-11";
inline constexpr const char* VERSION_TEXT = "Version 1.0.0-11";

} // namespace quillan::shell
