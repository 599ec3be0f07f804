#pragma once

#include "model/ListRow.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {
class NotificationSink;
class ZAVGateway;
} // namespace quillan

namespace quillan::device::modbus {

class MBCommThread;

inline constexpr const char* EXTENDED_SLAVE_ID_ERROR =
    "Modbus Error: extended slave id not supported by this feature.";
inline constexpr const char* POLL_PENDING_TEXT = "--";
// The 16-bit value the gateway shows for a point it has no reading of.
inline constexpr const char* NO_READING_TEXT = "1.#INF";

// Registers up to this one hold 16-bit values; from the next one, floats of 4 bytes each.
inline constexpr uint16_t LAST_INTEGER_REGISTER = 7000;
// Only ids up to this one fit a request; above it the gateway is in its extended id mode.
inline constexpr uint16_t LAST_STANDARD_SLAVE_ID = 247;

// Columns of the Modbus map list.
enum ModbusColumn : size_t {
    COLUMN_SELECT = 0,
    COLUMN_TYPE = 1,
    COLUMN_REGISTER = 2,
    COLUMN_SOURCE = 3,
    COLUMN_POINT = 4,
    COLUMN_VALUE = 5,
    COLUMN_REFRESH = 6,
};

[[nodiscard]] std::string integerValueText(uint16_t value);
[[nodiscard]] std::string floatValueText(float value);

// The slave id every request of the tab addresses: that of the gateway's configuration port.
// None, after the Debug line of the refusal, when it is an extended id; nothing may be sent.
[[nodiscard]] std::optional<uint8_t> requestSlaveId(const ZAVGateway& gateway,
                                                    NotificationSink& notifications);

// One read of consecutive registers.
struct RegisterRun {
    uint16_t first = 0;
    uint16_t count = 0;
    friend bool operator==(const RegisterRun&, const RegisterRun&) = default;
};

// Cuts the registers of the selected rows, in list order, into reads. A run ends at a gap in
// the numbers, or once it holds more than 60 registers (so 61), or more than 30 (so 31) while
// the last row to join had the floating-point format. The row that starts a new run does not
// set the width; the next one to join does.
class RunSplitter {
public:
    // The run to read before register r joins, when r cannot join the current one.
    [[nodiscard]] std::optional<RegisterRun> add(uint16_t reg, bool floatFormat);
    // The last run, if any register was added since the last one was handed out.
    [[nodiscard]] std::optional<RegisterRun> finish();

private:
    std::optional<uint16_t> m_last;
    unsigned m_count = 0;
    unsigned m_width = 1;
};

struct PollRegister {
    uint16_t reg = 0;
    bool floatFormat = false;
};

[[nodiscard]] std::vector<RegisterRun> splitRuns(std::span<const PollRegister> registers);

// True for the second row of a timestamped entry, which shows its refresh time.
[[nodiscard]] bool isRefreshRow(const ListRow& row);
// The register a row of the list polls; none for a row without a map entry.
[[nodiscard]] std::optional<uint16_t> rowRegister(const ListRow& row);

struct RegisterValue {
    uint16_t reg = 0;
    std::string text;
};

// The registers of a good read reply (request and reply as on the line) with their value
// texts; only those whose bytes the reply holds.
[[nodiscard]] std::vector<RegisterValue> readReplyValues(std::span<const uint8_t> request,
                                                         std::span<const uint8_t> reply);

// The register and value text of a good write's echo; none when it is too short.
[[nodiscard]] std::optional<RegisterValue> writeReplyValue(std::span<const uint8_t> echo,
                                                           bool floatWrite);

// Places the values of a good read reply (request and reply as on the line) into the selected
// rows whose Register column reads their registers: the first such row's entry takes the text
// as its value text (refresh text on a refresh row), the last such row's Value column shows it.
void showReadReply(std::span<const uint8_t> request, std::span<const uint8_t> reply,
                   std::span<ListRow* const> selected);
// The same for the echo of a good write.
void showWriteReply(std::span<const uint8_t> echo, bool floatWrite,
                    std::span<ListRow* const> selected);

// A value the write dialog would send: an integer of 0 to 32767 up to register 7000, a float
// above.
struct WriteValue {
    bool isFloat = false;
    uint16_t integer = 0;
    float real = 0.0F;
};

// The value of the dialog's edit text, or none while "Send" stays disabled. The edit takes
// digits only, and a decimal point above register 7000.
[[nodiscard]] std::optional<WriteValue> parseWriteValue(uint16_t reg, std::string_view text);

// The poll and write commands of the Modbus tab without its widgets. The selected rows are
// given in list order; their texts and entries change in place, so a view redraws them after.
class ModbusTab {
public:
    ModbusTab(MBCommThread& master, NotificationSink& notifications);

    // Marks every selected row "--" as the walk reaches it and reads the runs as they close.
    // The first failed read ends the poll; the rows after it keep their values. True only when
    // every read succeeded; false at once for an extended slave id.
    bool poll(const ZAVGateway& gateway, std::span<ListRow* const> selected);
    // Sends one value to reg; a good echo is placed in the selected rows. The slave id comes
    // from requestSlaveId, checked before the dialog opened.
    bool write(uint16_t reg, const WriteValue& value, uint8_t slaveId,
               std::span<ListRow* const> selected);

private:
    MBCommThread& m_master;
    NotificationSink& m_notifications;
};

} // namespace quillan::device::modbus
