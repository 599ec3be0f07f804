// Runs the device session's connect and read against a gateway whose every answer comes from
// the input, on the session's own worker thread. Every answer is there before the session
// starts to read it, so the reply time-outs are zero: a reply that is not whole never will be.
//
// Input: one chunk per request the session sends, in order; once the input runs out nothing
// answers. A chunk's first byte c picks its kind by its top two bits:
//   00  no answer;
//   01  a frame built here: command byte, 16-bit length n, n payload bytes (as many as are
//       left); bit 0 of c spoils its CRC;
//   10  a block reply built here: type byte, page byte, 16-bit data length n, then the data;
//       bit 0 of c repeats the data bytes given (at least one) up to n, so that full pages
//       come cheaply;
//   11  raw bytes: a count byte k, then k + 1 bytes as they are (noise, frames in pieces).
//
// Checked: the operation ends and the thread with it; the notifications follow the read's
// order with their codes, steps, pages, delivery and receivers; the requests match the steps
// announced; and the image holds data only in the areas of blocks that were actually received.
#include "FuzzSupport.h"
#include "device/DeviceFrame.h"
#include "device/MemorySerialLink.h"
#include "device/ZAVSession.h"
#include "model/Notifications.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <utility>
#include <vector>

using namespace quillan;
using namespace quillan::device;
using quillan::fuzz::le16;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int kIdentifyStep = 31;

// The answers, taken one per request on the worker thread.
class Script {
public:
    explicit Script(std::span<const uint8_t> input) : m_input(input) {}

    std::optional<Bytes> next()
    {
        if (m_input.empty()) {
            return std::nullopt;
        }
        const uint8_t c = take();
        switch (c >> 6) {
        case 1: {
            const uint8_t command = take();
            const size_t n = std::min<size_t>(take16(), MAX_PAYLOAD_SIZE);
            return frame(command, takeBytes(n), (c & 1) != 0);
        }
        case 2: {
            const uint8_t type = take();
            const uint8_t page = take();
            const size_t n = std::min<size_t>(take16(), MAX_PAYLOAD_SIZE - 6);
            Bytes data = takeBytes(n);
            if ((c & 1) != 0 && !data.empty()) {
                const size_t period = data.size();
                data.resize(n);
                for (size_t i = period; i < n; ++i) {
                    data[i] = data[i - period];
                }
            }
            // Type, page and data byte count, each 16 bits.
            Bytes payload(6, 0);
            payload[0] = type;
            payload[2] = page;
            payload[4] = static_cast<uint8_t>(data.size());
            payload[5] = static_cast<uint8_t>(data.size() >> 8);
            payload.insert(payload.end(), data.begin(), data.end());
            return frame(CMD_READ_BLOCK, payload, false);
        }
        case 3:
            return takeBytes(size_t{take()} + 1);
        default:
            return std::nullopt;
        }
    }

private:
    uint8_t take()
    {
        if (m_input.empty()) {
            return 0;
        }
        const uint8_t b = m_input[0];
        m_input = m_input.subspan(1);
        return b;
    }
    uint16_t take16()
    {
        const uint8_t low = take();
        return static_cast<uint16_t>(low | take() << 8);
    }
    Bytes takeBytes(size_t n)
    {
        n = std::min(n, m_input.size());
        Bytes out(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
        m_input = m_input.subspan(n);
        return out;
    }
    // The frame with a CRC worked out here, not by the code under test.
    static Bytes frame(uint8_t command, const Bytes& payload, bool spoil)
    {
        // Sized first: g++ 12 takes an insert after a four-byte start for an overflow.
        Bytes out(4 + payload.size());
        out[0] = FRAME_START;
        out[1] = command;
        out[2] = static_cast<uint8_t>(payload.size());
        out[3] = static_cast<uint8_t>(payload.size() >> 8);
        std::copy(payload.begin(), payload.end(), out.begin() + 4);
        uint16_t crc = fuzz::crc16Bitwise(out, 0);
        if (spoil) {
            crc ^= 0x0101;
        }
        out.push_back(static_cast<uint8_t>(crc));
        out.push_back(static_cast<uint8_t>(crc >> 8));
        return out;
    }

    std::span<const uint8_t> m_input;
};

class Sink final : public NotificationSink {
public:
    void notify(const Notification& n) override
    {
        std::lock_guard lock(m_mutex);
        m_all.push_back(n);
    }
    std::vector<Notification> all() const
    {
        std::lock_guard lock(m_mutex);
        return m_all;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Notification> m_all;
};

// Frames seen by the session's trace, on the worker.
struct Traffic {
    std::vector<Bytes> sent;
    std::vector<Bytes> received;
};

bool isTable(int type)
{
    return type >= 4 && type <= 7;
}

// One block's bytes in the image, its count word included. Tables have one area a page.
struct Area {
    int type;
    int page; // tables only; -1 for every other block
    size_t from, to;
};

std::vector<Area> areas()
{
    std::vector<Area> all = {{0, -1, 6, 42},           {1, -1, 42, 50},
                             {2, -1, 50, 82},          {3, -1, 82, 92},
                             {9, -1, 16'100, 17'302},  {10, -1, 17'304, 17'310},
                             {23, -1, 17'310, 17'320}, {24, -1, 17'320, 17'362}};
    struct Table {
        int type;
        size_t recordSize, firstCount, pageCount;
    };
    const Table tables[] = {
        {4, 4, 92, 4}, {5, 24, 1374, 1286}, {6, 14, 9056, 8968}, {7, 8, 13538, 13450}};
    for (const Table& t : tables) {
        for (int page = 0; page < 6; ++page) {
            const size_t count =
                page == 0 ? t.firstCount : 17'362 + 16'012 * size_t(page - 1) + t.pageCount;
            all.push_back({t.type, page, count, count + 2 + 320 * t.recordSize});
        }
    }
    return all;
}

bool zero(const ConfigImage& image, size_t from, size_t to)
{
    return std::all_of(image.bytes().begin() + static_cast<std::ptrdiff_t>(from),
                       image.bytes().begin() + static_cast<std::ptrdiff_t>(to),
                       [](uint8_t b) { return b == 0; });
}

bool progressTo(const Notification& n)
{
    return n.code == MSG_READ_PROGRESS && n.delivery == Delivery::sent &&
           n.receiver == Receiver::mainWindow;
}

bool is(const Notification& n, int code, Delivery delivery, Receiver receiver)
{
    return n.code == code && n.delivery == delivery && n.receiver == receiver && n.step == 0 &&
           n.page == 0 && n.text.empty();
}

// The steps a read may take, in its order: identify, blocks 0 to 3, each table from page 0
// with one page after another, blocks 9, 23 and 24 when the firmware has them, then block 10.
void checkStepOrder(const std::vector<std::pair<int, int>>& steps, bool complete)
{
    static const int order[] = {kIdentifyStep, 0, 1, 2, 3, 4, 5, 6, 7, 9, 23, 24, 10};
    size_t at = 0; // position in order of the previous step
    for (size_t i = 0; i < steps.size(); ++i) {
        const auto [type, page] = steps[i];
        if (i == 0) {
            FUZZ_CHECK(type == kIdentifyStep && page == 0);
            continue;
        }
        const auto [prevType, prevPage] = steps[i - 1];
        if (page > 0) {
            FUZZ_CHECK(isTable(type) && page <= 5 && type == prevType && page == prevPage + 1);
            continue;
        }
        const size_t pos = static_cast<size_t>(std::find(order, std::end(order), type) - order);
        FUZZ_CHECK(pos < std::size(order) && pos > at);
        // Blocks 0 to 7 are never skipped, nor is a table's page 0; 24 only follows 23.
        FUZZ_CHECK(pos > 9 || pos == at + 1);
        FUZZ_CHECK(type != 24 || prevType == 23);
        at = pos;
    }
    if (complete) {
        FUZZ_CHECK(!steps.empty() && steps.back() == std::make_pair(10, 0));
        FUZZ_CHECK(at == std::size(order) - 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemorySerialLink link;
    FUZZ_CHECK(link.open("ttyUSB0"));
    Script script({data, size});
    link.setResponder([&script](MemorySerialLink& l, const Bytes&) {
        if (auto reply = script.next()) {
            l.reply(std::move(*reply));
        }
    });
    Sink sink;
    Traffic traffic;
    SessionTimings timings;
    timings.startPauseMs = 0;
    timings.enquireTimeoutMs = 0;
    timings.blockTimeoutMs = 0;
    timings.finishPauseMs = 0;
    timings.exitPauseMs = 0;

    auto image = std::make_unique<ConfigImage>();
    IdentityRecord::Bytes identity{};
    bool linkUp = false;
    {
        auto owned = std::make_unique<ZAVSession>(sink, timings);
        ZAVSession& session = *owned;
        session.setTrace([&traffic](TraceDirection direction, std::span<const uint8_t> frame) {
            (direction == TraceDirection::sent ? traffic.sent : traffic.received)
                .emplace_back(frame.begin(), frame.end());
        });
        session.setFlashWindow(true);
        session.setPort(&link);
        session.setEnabled(true);
        FUZZ_CHECK(session.startThread());
        session.startOperation(SessionOperation::connectAndRead);
        FUZZ_CHECK(session.waitForIdle(20'000));
        FUZZ_CHECK(session.stopThread());
        FUZZ_CHECK(!session.hasThread());
        *image = session.image();
        identity = session.identity();
        linkUp = session.linkUp();
        FUZZ_CHECK(session.finished() !=
                   (!sink.all().empty() && sink.all().back().code == MSG_SESSION_READ_OK));
    }
    FUZZ_CHECK(!link.rts());

    // Notifications: start, the steps, then the outcome.
    const std::vector<Notification> all = sink.all();
    FUZZ_CHECK(!all.empty() && is(all[0], MSG_SESSION_START, Delivery::sent, Receiver::mainWindow));
    std::vector<std::pair<int, int>> steps;
    size_t i = 1;
    for (; i < all.size() && progressTo(all[i]); ++i) {
        FUZZ_CHECK(all[i].text.empty());
        steps.emplace_back(all[i].step, all[i].page);
    }
    const std::vector<Notification> outcome(all.begin() + static_cast<std::ptrdiff_t>(i),
                                            all.end());
    const Notification idle{MSG_SESSION_IDLE, 0, 0, {}, Delivery::posted, Receiver::flashWindow};
    bool complete = false;
    if (!linkUp) {
        // Silent: only the finish step's word to the flash window.
        FUZZ_CHECK(steps.empty() && outcome.size() == 1 &&
                   is(outcome[0], idle.code, idle.delivery, idle.receiver));
    } else if (outcome.size() == 2 && outcome[0].code == MSG_SESSION_DONE) {
        complete = true;
        FUZZ_CHECK(is(outcome[0], MSG_SESSION_DONE, Delivery::sent, Receiver::mainWindow));
        FUZZ_CHECK(outcome[1].code == MSG_SESSION_READ_OK && outcome[1].step == 1 &&
                   outcome[1].page == 0 && outcome[1].delivery == Delivery::posted &&
                   outcome[1].receiver == Receiver::sessionOwner);
    } else {
        FUZZ_CHECK(outcome.size() == 2 &&
                   is(outcome[0], MSG_SESSION_FAILED, Delivery::sent, Receiver::mainWindow) &&
                   is(outcome[1], idle.code, idle.delivery, idle.receiver));
    }
    checkStepOrder(steps, complete);

    // Requests: up to six enquiries, then one request for each step announced.
    size_t enquiries = 0;
    while (enquiries < traffic.sent.size() && traffic.sent[enquiries][1] == CMD_ENQUIRE) {
        ++enquiries;
    }
    FUZZ_CHECK(enquiries >= 1 && enquiries <= 6);
    FUZZ_CHECK(traffic.sent.size() == enquiries + steps.size());
    for (size_t s = 0; s < steps.size(); ++s) {
        const Bytes& request = traffic.sent[enquiries + s];
        if (steps[s].first == kIdentifyStep) {
            FUZZ_CHECK(request.size() == 6 && request[1] == CMD_IDENTIFY);
        } else {
            FUZZ_CHECK(request.size() == 10 && request[1] == CMD_READ_BLOCK &&
                       le16(request.data() + 4) == steps[s].first &&
                       le16(request.data() + 6) == steps[s].second);
        }
    }

    // The image: data only where a received block could have put it.
    std::set<std::pair<int, int>> blocks; // (type, page); page -1 for a block that is not a table
    bool identityReceived = false;
    for (const Bytes& frame : traffic.received) {
        FUZZ_CHECK(frame.size() >= FRAME_OVERHEAD && frame[0] == FRAME_START);
        if (frame[1] == CMD_IDENTITY) {
            identityReceived = true;
        }
        if (frame[1] == CMD_READ_BLOCK && frame.size() >= FRAME_OVERHEAD + 6) {
            const int type = le16(frame.data() + 4);
            blocks.emplace(type, isTable(type) ? le16(frame.data() + 6) : -1);
        }
    }
    for (const Area& area : areas()) {
        if (blocks.count({area.type, area.page}) == 0) {
            FUZZ_CHECK(zero(*image, area.from, area.to));
        }
        if (isTable(area.type)) {
            FUZZ_CHECK(le16(image->bytes().data() + area.from) <= 320);
        }
    }
    FUZZ_CHECK(zero(*image, 0, 6) && zero(*image, 17'302, 17'304));
    for (size_t page = 0; page < 5; ++page) {
        const size_t start = 17'362 + 16'012 * page;
        FUZZ_CHECK(zero(*image, start, start + 4));
    }
    FUZZ_CHECK(le16(image->bytes().data() + 16'100) <= 100);
    FUZZ_CHECK(le16(image->bytes().data() + 17'320) <= 10);
    if (!identityReceived) {
        FUZZ_CHECK(std::all_of(identity.begin(), identity.end(), [](uint8_t b) { return b == 0; }));
    }
    return 0;
}
