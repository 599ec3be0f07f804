// Runs Update Device against a fuzzed device: each request the host writes is answered with
// the next reply of the input, or with nothing. Time-outs and fixed waits are zero, so a
// missing or short reply fails at once. Whatever comes back, the operation must end with one
// result (one line, or none when the radio band could not be read), one end notification for
// the progress window, the port given back with RTS low, and frames whose check sums hold;
// when it reports success, the device must have been sent exactly the pages of the image.
//
// Input: a flags byte (bit 0 the port is closed, bit 1 the gateway has a site, bit 2 site
// security on, bits 3-4 the site band, bit 5 a table over the limit), an answers byte (two
// 2-bit answers to the questions), the site key (4 bytes), then the replies. A reply starts
// with a byte d: 0 is no reply; with bit 7 set, d & 0x7F raw bytes follow; otherwise a
// command byte and d - 1 payload bytes follow, sent as a frame with a good check sum.
#include "FuzzSupport.h"
#include "device/DeviceFrame.h"
#include "device/GatewayLink.h"
#include "device/MemorySerialLink.h"
#include "device/UpdateDevice.h"
#include "model/Notifications.h"
#include "model/UserPrompts.h"

#include <algorithm>
#include <deque>
#include <map>
#include <span>
#include <utility>
#include <vector>

using namespace quillan;
using namespace quillan::device;
using quillan::fuzz::le16;

namespace {

class Sink final : public NotificationSink {
public:
    void notify(const Notification& n) override { all.push_back(n); }
    std::vector<Notification> all;
};

class Prompts final : public UserPrompts {
public:
    void message(MessageIcon, const std::string&, const std::string&) override {}
    MessageAnswer ask(MessageIcon, const std::string&, const std::string&, MessageButtons) override
    {
        ++asked;
        if (answers.empty()) {
            return MessageAnswer::cancel;
        }
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<MessageAnswer> answers;
    int asked = 0;
};

class Listener final : public DebugOutput {
public:
    void suspend() override
    {
        ++suspends;
        active = false;
    }
    void activate() override { active = true; }
    int suspends = 0;
    bool active = true;
};

// Two data store pages, so that paging is exercised cheaply; the older-firmware image differs
// in one import byte. Built once: each run changes only its site and limit.
UpdateRequest& sharedRequest()
{
    static UpdateRequest request = [] {
        UpdateRequest r;
        r.gatewayName = "North";
        ConfigImage& image = r.compiled.image;
        int32_t points = 0;
        int32_t imports = 0;
        int32_t map = 0;
        for (int i = 0; i < 321; ++i) {
            image.write(*image.appendRecord(BlockType::dataStore, points),
                        DataStoreRecord{4, static_cast<uint16_t>(i % 3)});
        }
        for (int i = 0; i < 2; ++i) {
            ImportRecord record;
            record.index = static_cast<uint16_t>(i);
            record.details = {1, 2, 3, 4, 8, 6};
            image.write(*image.appendRecord(BlockType::imports, imports), record);
        }
        MapRecord run;
        run.startRegister = 3001;
        run.registerCount = 1;
        image.write(*image.appendRecord(BlockType::modbusMap, map), run);
        ConfigImage older = image;
        older.bytes()[ConfigImage::kImportsOffset + 22] = 2;
        r.olderFirmwareImage = older;
        return r;
    }();
    return request;
}

struct ParsedRequest {
    uint8_t command;
    std::vector<uint8_t> payload;
};

// Splits what the host wrote into frames, checking each with a CRC computed here.
std::vector<ParsedRequest> parseWritten(const std::vector<uint8_t>& written)
{
    std::vector<ParsedRequest> frames;
    size_t at = 0;
    while (at < written.size()) {
        FUZZ_CHECK(written.size() - at >= FRAME_OVERHEAD);
        FUZZ_CHECK(written[at] == FRAME_START);
        const size_t length = le16(&written[at + 2]);
        FUZZ_CHECK(written.size() - at >= length + FRAME_OVERHEAD);
        const std::span<const uint8_t> body(&written[at], FRAME_HEADER_SIZE + length);
        FUZZ_CHECK(fuzz::crc16Bitwise(body, 0) == le16(&written[at + FRAME_HEADER_SIZE + length]));
        frames.push_back({written[at + 1], {body.begin() + FRAME_HEADER_SIZE, body.end()}});
        at += length + FRAME_OVERHEAD;
    }
    return frames;
}

// Block type and page -> data.
using Pages = std::map<std::pair<uint16_t, uint16_t>, std::vector<uint8_t>>;

// What a successful update sends of an image: blocks 0 and 1, page 0 of each table and every
// later page that holds records.
Pages pagesOf(const ConfigImage& image)
{
    Pages pages;
    const auto add = [&](BlockType type, unsigned page) {
        const auto bytes = image.blockBytes(type, page);
        pages[{static_cast<uint16_t>(type), static_cast<uint16_t>(page)}] = {bytes.begin(),
                                                                             bytes.end()};
    };
    add(BlockType::ports, 0);
    add(BlockType::radio, 0);
    for (const BlockType t :
         {BlockType::dataStore, BlockType::imports, BlockType::exports, BlockType::modbusMap}) {
        for (unsigned page = 0; page < ConfigImage::kTablePages; ++page) {
            if (page == 0 || image.pageCount(t, page) != 0) {
                add(t, page);
            }
        }
    }
    return pages;
}

// A result an Update Device may end with; 0 is the silent end of an unreadable radio band.
bool isFinalResult(int code)
{
    switch (code) {
    case 0:
    case 1:
    case 2:
    case 11:
    case 12:
    case 15:
    case 16:
    case 17:
    case 18:
    case 21:
    case 24:
    case 25:
    case 39:
    case 40:
    case 41:
    case 42:
    case 43:
    case 44:
    case 49:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6) {
        return 0;
    }
    const uint8_t flags = data[0];
    const uint8_t answerBits = data[1];
    const uint32_t siteKey = static_cast<uint32_t>(data[2] | (data[3] << 8) | (data[4] << 16) |
                                                   (static_cast<uint32_t>(data[5]) << 24));
    std::span<const uint8_t> replies(data + 6, size - 6);

    UpdateRequest& request = sharedRequest();
    request.site.reset();
    if ((flags & 2) != 0) {
        request.site =
            SiteSettings{static_cast<uint16_t>((flags >> 3) & 3), (flags & 4) != 0, siteKey};
    }
    request.compiled.limit =
        (flags & 0x20) != 0 ? static_cast<TableLimit>(39 + (siteKey & 3)) : TableLimit::none;

    MemorySerialLink port;
    if ((flags & 1) == 0) {
        FUZZ_CHECK(port.open("ttyUSB0"));
    }
    int requests = 0;
    port.setResponder([&](MemorySerialLink& link, const std::vector<uint8_t>&) {
        ++requests;
        if (replies.empty()) {
            return;
        }
        const uint8_t d = replies[0];
        replies = replies.subspan(1);
        if (d == 0) {
            return;
        }
        if ((d & 0x80) != 0) {
            const size_t n = std::min<size_t>(d & 0x7F, replies.size());
            link.reply({replies.begin(), replies.begin() + static_cast<std::ptrdiff_t>(n)});
            replies = replies.subspan(n);
            return;
        }
        if (replies.empty()) {
            return;
        }
        const uint8_t command = replies[0];
        const size_t n = std::min<size_t>(d - 1u, replies.size() - 1);
        link.reply(makeFrame(command, replies.data() + 1, n));
        replies = replies.subspan(1 + n);
    });

    Sink sink;
    Prompts prompts;
    for (int shift = 0; shift < 4; shift += 2) {
        prompts.answers.push_back(static_cast<MessageAnswer>((answerBits >> shift) & 3));
    }
    Listener listener;
    LinkTimings timings;
    timings.enquireMs = timings.identifyMs = timings.readRadioMs = timings.securityKeyMs = 0;
    timings.writeBlockMs = timings.storeConfigMs = 0;
    timings.openSettleMs = timings.closeDrainMs = timings.closeSettleMs = 0;
    GatewayLink link({port, sink, prompts, &listener, {}}, "North", timings);

    const int result = updateDevice(link, request);

    // One result, reported once; only the NAK line and the closed port's come besides it.
    FUZZ_CHECK(isFinalResult(result));
    std::vector<int> finals;
    for (const int code : link.reportedCodes()) {
        if (code != 22 && code != 20) {
            finals.push_back(code);
        }
    }
    FUZZ_CHECK(result == 0 ? finals.empty() : finals == std::vector<int>{result});
    size_t lines = 0;
    std::vector<int> window;
    for (const Notification& n : sink.all) {
        if (n.code == MSG_OUTPUT_LINE) {
            ++lines;
        } else {
            FUZZ_CHECK(n.delivery == Delivery::sent);
            window.push_back(n.code);
        }
    }
    FUZZ_CHECK(lines == link.reportedCodes().size());
    FUZZ_CHECK(!window.empty() && window.front() == MSG_UPDATE_START);
    const long ends = std::count(window.begin(), window.end(), MSG_SESSION_DONE) +
                      std::count(window.begin(), window.end(), MSG_SESSION_FAILED);
    FUZZ_CHECK(ends == 1);
    FUZZ_CHECK(window.back() == (result == 2 ? MSG_SESSION_DONE : MSG_SESSION_FAILED));
    FUZZ_CHECK(prompts.asked <= 2);

    // The port given back.
    FUZZ_CHECK(!link.holdsPort() && !link.state().linkFlag);
    FUZZ_CHECK(!port.rts());
    FUZZ_CHECK(listener.active && listener.suspends == 1);

    const std::vector<ParsedRequest> sent = parseWritten(port.written());
    FUZZ_CHECK(static_cast<int>(sent.size()) == requests);
    if (result == 2) {
        Pages written;
        for (const ParsedRequest& r : sent) {
            if (r.command == CMD_WRITE_BLOCK && le16(r.payload.data()) != BLOCK_SECURITY_KEY) {
                FUZZ_CHECK(le16(r.payload.data() + 4) == r.payload.size() - 6);
                written[{le16(r.payload.data()), le16(r.payload.data() + 2)}] = {
                    r.payload.begin() + 6, r.payload.end()};
            }
        }
        // A reply after the identify step may overwrite the identity the image was chosen by:
        // either image will do, as long as every page of it went out.
        static const Pages compiledPages = pagesOf(request.compiled.image);
        static const Pages olderPages = pagesOf(*request.olderFirmwareImage);
        FUZZ_CHECK(written == compiledPages || written == olderPages);
        FUZZ_CHECK(sent.back().command == CMD_STORE_CONFIG);
    }
    return 0;
}
