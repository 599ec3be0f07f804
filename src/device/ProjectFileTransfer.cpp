#include "device/ProjectFileTransfer.h"

#include "device/GatewayLink.h"
#include "device/ProjectPacking.h"
#include "document/AtomicFile.h"
#include "document/TarnDoc.h"
#include "model/FileNode.h"
#include "model/Notifications.h"
#include "model/Text.h"
#include "model/UserPrompts.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace quillan::device {

namespace {

// The device types a project file may be retrieved from.
constexpr uint16_t FIRST_RETRIEVE_TYPE = 11;
constexpr uint16_t LAST_RETRIEVE_TYPE = 14;

int storeFailed(GatewayLink& link, int code)
{
    link.progress(MSG_SESSION_FAILED);
    link.reportStatus(code, true);
    return code;
}

std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                               std::istreambuf_iterator<char>()};
    if (file.bad()) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

std::string uploadQuestion(const std::string& path, const std::string& gatewayName)
{
    return strprintf("Upload %s to %s?", path.c_str(), gatewayName.c_str());
}

std::optional<std::vector<uint8_t>> packProjectFileForStore(const std::string& path,
                                                            UserPrompts& prompts)
{
    const auto contents = readWholeFile(path);
    if (!contents) {
        prompts.message(MessageIcon::error, OPEN_ERROR_CAPTION, OPEN_ERROR_TEXT);
        return std::nullopt;
    }
    PackResult packed = compressBuffer(*contents);
    // A pack that failed is no smaller than one too large: neither can be stored.
    if (packed.status != 0 || packed.packed.size() > PACKED_PROJECT_LIMIT) {
        prompts.message(MessageIcon::error, STORE_ERROR_CAPTION, TOO_LARGE_TEXT);
        return std::nullopt;
    }
    return std::move(packed.packed);
}

int storeProjectFile(GatewayLink& link, std::span<const uint8_t> packed)
{
    (void)link.openLink();
    link.progress(MSG_FILE_START);
    if (!link.enquire()) {
        return storeFailed(link, 21);
    }
    if (!link.identifyDevice()) {
        return 24;
    }
    if (link.state().deviceType() != GATEWAY_DEVICE_TYPE) {
        return storeFailed(link, 25);
    }
    const std::optional<uint32_t> stored = link.queryProjectFileStored();
    if (!stored) {
        return storeFailed(link, 65);
    }
    if (*stored != 0 && link.prompts().ask(MessageIcon::question, OVERWRITE_CAPTION, OVERWRITE_TEXT,
                                           MessageButtons::yesNoDefaultNo) != MessageAnswer::yes) {
        return storeFailed(link, 65);
    }
    link.progress(MSG_FILE_PROGRESS);
    if (!link.storeProjectFile(packed)) {
        return storeFailed(link, 65);
    }
    link.progress(MSG_FILE_PROGRESS);
    link.progress(MSG_SESSION_DONE);
    link.reportStatus(66, true);
    return 66;
}

std::string storedProjectName(const std::vector<uint8_t>& projectFile,
                              const std::string& projectFolder)
{
    const std::filesystem::path temporary =
        std::filesystem::path(projectFolder) / TEMPORARY_PROJECT_FILE;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(projectFile.data()),
                   static_cast<std::streamsize>(projectFile.size()));
    }
    std::string name;
    std::error_code error;
    if (std::filesystem::file_size(temporary, error) > 0 && !error) {
        NullNotificationSink notifications;
        NullPrompts prompts;
        TarnDoc document(notifications, prompts);
        document.setSkipPathFixup(true);
        if (document.openDocument(temporary.string()).ok && document.root() != nullptr) {
            name = document.root()->projectName();
        }
    }
    std::filesystem::remove(temporary, error);
    return name;
}

RetrieveResult retrieveProjectFile(GatewayLink& link, const std::string& projectFolder,
                                   const ChooseProjectFile& chooseFile)
{
    RetrieveResult result;
    const auto fail = [&](int code) {
        link.reportStatus(code, true);
        result.resultCode = code;
        return result;
    };
    (void)link.openLink();
    if (!link.enquire() || !link.identify()) {
        return fail(24);
    }
    const uint16_t type = link.state().deviceType();
    if (type < FIRST_RETRIEVE_TYPE || type > LAST_RETRIEVE_TYPE) {
        return fail(67);
    }
    const std::optional<std::vector<uint8_t>> packed = link.requestProjectFile();
    if (!packed) {
        return fail(68);
    }
    UnpackResult unpacked = expandBuffer(*packed);
    if (unpacked.status != 0) {
        return fail(70);
    }
    const std::string projectName = storedProjectName(unpacked.data, projectFolder);
    if (const std::optional<std::string> path = chooseFile(projectName)) {
        if (!writeFileAtomically(*path, unpacked.data).empty()) {
            link.prompts().message(MessageIcon::error, SAVE_ERROR_CAPTION, SAVE_ERROR_TEXT);
        } else {
            link.reportStatus(69, false);
            result.resultCode = 69;
            result.savedPath = *path;
        }
    }
    link.endConversation();
    return result;
}

} // namespace quillan::device
