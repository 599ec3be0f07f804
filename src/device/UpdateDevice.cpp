#include "device/UpdateDevice.h"

#include "device/GatewayLink.h"
#include "model/Import.h"
#include "model/Notifications.h"
#include "model/Site.h"
#include "model/Text.h"
#include "model/UserPrompts.h"

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace quillan::device {

namespace {

// Any version text older firmware reports: its third character is below '2'.
constexpr const char* OLDER_FIRMWARE_VERSION = "1.0";

struct TableStep {
    BlockType type;
    int failureCode;
};

constexpr std::array<TableStep, 4> TABLE_STEPS{{
    {BlockType::dataStore, 15},
    {BlockType::imports, 16},
    {BlockType::exports, 17},
    {BlockType::modbusMap, 18},
}};

int fail(GatewayLink& link, int code)
{
    link.progress(MSG_SESSION_FAILED);
    link.reportStatus(code, true);
    return code;
}

// The steps return the result code they ended the operation with (0 for none), or nothing to
// go on.
using StepEnd = std::optional<int>;

StepEnd checkRadioBand(GatewayLink& link, uint16_t siteBand)
{
    const bool answered = link.readRadio();
    const RadioBand device = radioBand(link.state().radioInfo.channelCode());
    if (!answered || device == RadioBand::none) {
        // No result line for this one: the progress window's "Connection failed..." is all.
        link.progress(MSG_SESSION_FAILED);
        link.endConversation();
        return 0;
    }
    const RadioBand site = siteRadioBand(siteBand);
    if (site == RadioBand::none || site == device) {
        return std::nullopt;
    }
    const MessageAnswer answer =
        link.prompts().ask(MessageIcon::question, RADIO_QUESTION_CAPTION,
                           radioBandQuestion(device, site), MessageButtons::yesNoCancelDefaultNo);
    if (answer == MessageAnswer::yes) {
        return std::nullopt;
    }
    return fail(link, 49);
}

StepEnd settleSiteSecurity(GatewayLink& link, const SiteSettings& site)
{
    link.progress(MSG_WRITE_PROGRESS, BLOCK_SECURITY_KEY, 0);
    if (!link.readSecurityKey()) {
        return fail(link, 43);
    }
    const uint32_t target = site.securityEnabled ? site.securityKey : 0;
    const uint32_t deviceKey = link.state().keyValue;
    if (deviceKey == target) {
        return std::nullopt;
    }
    // A device without a key takes the site's without a question.
    if (!(site.securityEnabled && deviceKey == 0)) {
        switch (link.prompts().ask(MessageIcon::question, SITE_SECURITY_CAPTION, SITE_SECURITY_TEXT,
                                   MessageButtons::yesNoCancelDefaultNo)) {
        case MessageAnswer::yes:
            break;
        case MessageAnswer::no:
            return std::nullopt;
        default:
            return fail(link, 49);
        }
    }
    if (!link.writeSecurityKey(target)) {
        return fail(link, 44);
    }
    return std::nullopt;
}

StepEnd writeConfiguration(GatewayLink& link, const UpdateRequest& request)
{
    if (request.compiled.limit != TableLimit::none) {
        const int code = static_cast<int>(request.compiled.limit);
        link.reportStatus(code, true);
        link.progress(MSG_SESSION_FAILED);
        return code;
    }
    const ConfigImage& image =
        request.olderFirmwareImage && olderLevelFirmware(link.state().firmwareVersion())
            ? *request.olderFirmwareImage
            : request.compiled.image;

    const auto write = [&](BlockType type, unsigned page, int failureCode) -> StepEnd {
        const auto typeCode = static_cast<uint16_t>(type);
        link.progress(MSG_WRITE_PROGRESS, typeCode, static_cast<int>(page));
        if (link.writeBlock(typeCode, static_cast<uint16_t>(page), image.blockBytes(type, page))) {
            return std::nullopt;
        }
        return fail(link, failureCode);
    };
    if (const StepEnd end = write(BlockType::ports, 0, 11)) {
        return end;
    }
    if (const StepEnd end = write(BlockType::radio, 0, 12)) {
        return end;
    }
    for (const TableStep& table : TABLE_STEPS) {
        for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
            // Page 0 goes even when the table is empty: its count of 0 makes the device drop
            // the records it held, where sending nothing would leave them running.
            if (page > 0 && image.pageCount(table.type, page) == 0) {
                continue;
            }
            if (const StepEnd end = write(table.type, page, table.failureCode)) {
                return end;
            }
        }
    }
    return std::nullopt;
}

} // namespace

UpdateRequest makeUpdateRequest(ZAVGateway& gateway)
{
    UpdateRequest request;
    request.gatewayName = gateway.getName();
    request.compiled = gateway.compileImage();

    // The compile for older firmware leaves a level input's register count changed; the points
    // go back to what the project holds, as the device's firmware is not known yet.
    std::vector<std::pair<Import*, Details>> details;
    gateway.forEachPoint([&](Import& point) { details.emplace_back(&point, point.details); });
    CompiledImage older = gateway.compileImage({OLDER_FIRMWARE_VERSION});
    for (auto& [point, saved] : details) {
        point->details = saved;
    }
    if (older.image != request.compiled.image) {
        request.olderFirmwareImage = std::move(older.image);
    }

    if (const Site* site = gateway.getSite()) {
        request.site =
            SiteSettings{site->getBand(), site->isSecurityEnabled(), site->getSecurityKey()};
    }
    return request;
}

RadioBand siteRadioBand(uint16_t siteBand)
{
    switch (siteBand) {
    case band868:
        return RadioBand::mhz868;
    case band900:
        return RadioBand::mhz900;
    case band2400:
        return RadioBand::ghz24;
    default:
        return RadioBand::none;
    }
}

std::string radioBandQuestion(RadioBand device, RadioBand site)
{
    return strprintf("This unit is configured for use with\t\na %s radio.\n\nAre you sure you "
                     "want to reconfigure\t\nfor use with a %s radio?",
                     bandName(device), bandName(site));
}

int updateDevice(GatewayLink& link, const UpdateRequest& request)
{
    (void)link.openLink();
    link.progress(MSG_UPDATE_START);
    if (!link.enquire()) {
        return fail(link, 21);
    }
    if (!link.identifyDevice()) {
        return 24;
    }
    if (link.state().deviceType() != GATEWAY_DEVICE_TYPE) {
        return fail(link, 25);
    }
    if (const StepEnd end =
            checkRadioBand(link, request.site ? request.site->band : uint16_t{bandNotChosen})) {
        return *end;
    }
    if (request.site) {
        if (const StepEnd end = settleSiteSecurity(link, *request.site)) {
            return *end;
        }
    }
    if (const StepEnd end = writeConfiguration(link, request)) {
        return *end;
    }
    link.progress(MSG_WRITE_PROGRESS, 29, 0);
    if (!link.storeConfiguration()) {
        return fail(link, 1);
    }
    link.progress(MSG_SESSION_DONE);
    link.reportStatus(2, true);
    return 2;
}

} // namespace quillan::device
