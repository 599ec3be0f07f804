#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillan {
class UserPrompts;
}

namespace quillan::device {

class GatewayLink;

// The texts of the two commands' dialogs.
inline constexpr const char* PROJECT_FILE_FILTER = "Quillan Project Files (*.zavproj)|*.zavproj||";
inline constexpr const char* SELECT_PROJECT_FILE_TITLE = "Select Project File";
inline constexpr const char* UPLOAD_CAPTION = "Upload Project File";
inline constexpr const char* OPEN_ERROR_CAPTION = "Error Opening File";
inline constexpr const char* OPEN_ERROR_TEXT = "Could not open the selected file.  Please try again.";
inline constexpr const char* STORE_ERROR_CAPTION = "Error Storing File";
inline constexpr const char* TOO_LARGE_TEXT =
    "Could not store the selected file: file size is too large.";
inline constexpr const char* OVERWRITE_CAPTION = "Overwrite project file?";
inline constexpr const char* OVERWRITE_TEXT =
    "A project file is already stored on this device.  Would you like to overwrite it?";
inline constexpr const char* SAVE_ERROR_CAPTION = "Error Saving File";
inline constexpr const char* SAVE_ERROR_TEXT =
    "Could not save to the selected file.  Please try again.";
// Where a retrieved project file is read for its project name, in the project folder.
inline constexpr const char* TEMPORARY_PROJECT_FILE = "tmp.zavprojtemp";
// The plain node a retrieve runs on: its name heads the result lines.
inline constexpr const char* RETRIEVE_NODE_NAME = "Gateway";

// "Upload <path> to <gateway>?"
[[nodiscard]] std::string uploadQuestion(const std::string& path, const std::string& gatewayName);

// Reads the chosen project file and packs it for the device. A file that cannot be read, or
// whose packed form does not fit in one frame, gets its message box and gives none.
[[nodiscard]] std::optional<std::vector<uint8_t>> packProjectFileForStore(const std::string& path,
                                                                          UserPrompts& prompts);

// Stores a packed project file on the gateway, asking before it replaces one the device
// already holds. Progress goes to the main window from MSG_FILE_START to MSG_SESSION_DONE or
// MSG_SESSION_FAILED. Returns the result code of the line that ended it (66 when stored). The
// link is closed at the end.
int storeProjectFile(GatewayLink& link, std::span<const uint8_t> packed);

// The project name a project file's bytes carry, read the way the program reads it: through
// the temporary file in the project folder (the current folder when that is empty), which is
// deleted again. Empty when the bytes hold no readable project.
[[nodiscard]] std::string storedProjectName(const std::vector<uint8_t>& projectFile,
                                            const std::string& projectFolder);

// Asked for the file to save a retrieved project in, with the project's name as the
// suggestion; none when the user cancels.
using ChooseProjectFile = std::function<std::optional<std::string>(const std::string& projectName)>;

struct RetrieveResult {
    int resultCode = 0;                   // the last result line (69 when saved), 0 for none
    std::optional<std::string> savedPath; // the file written, for the caller to open
};

// Reads the project file the device holds and saves it where the user chooses, written as a
// save is written. Runs on the thread that may ask the user. The link is closed at the end.
RetrieveResult retrieveProjectFile(GatewayLink& link, const std::string& projectFolder,
                                   const ChooseProjectFile& chooseFile);

} // namespace quillan::device
