#include "device/modbus/MBCommThread.h"
#include "platform/QtSerialLink.h"
#include "support/TestDoubles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <modbus/modbus.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

using namespace quillan;
using namespace quillan::device::modbus;

namespace {

// libmodbus as the slave (id 1) on the device end of a pseudo-terminal; our master talks to it
// through the production serial link. It answers a fixed number of requests, then stops.
class LibmodbusSlave {
public:
    LibmodbusSlave()
    {
        m_fd = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_fd < 0 || grantpt(m_fd) != 0 || unlockpt(m_fd) != 0) {
            return;
        }
        if (const char* name = ptsname(m_fd)) {
            m_path = name;
        }
        // No modbus_connect: the context works on the pseudo-terminal's own descriptor.
        m_ctx = modbus_new_rtu("/dev/null", 9600, 'N', 8, 1);
        m_map = modbus_mapping_new(0, 0, 100, 0);
        if (m_ctx != nullptr) {
            modbus_set_slave(m_ctx, 1);
            modbus_set_socket(m_ctx, m_fd);
            // A test that goes wrong must not leave the slave waiting for ever.
            modbus_set_indication_timeout(m_ctx, 10, 0);
        }
    }
    ~LibmodbusSlave()
    {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_ctx != nullptr) {
            modbus_set_socket(m_ctx, -1);
            modbus_free(m_ctx);
        }
        if (m_map != nullptr) {
            modbus_mapping_free(m_map);
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    LibmodbusSlave(const LibmodbusSlave&) = delete;
    LibmodbusSlave& operator=(const LibmodbusSlave&) = delete;

    [[nodiscard]] bool ready() const
    {
        return m_ctx != nullptr && m_map != nullptr && !m_path.empty();
    }
    [[nodiscard]] const std::string& path() const { return m_path; }
    [[nodiscard]] uint16_t* registers() const { return m_map->tab_registers; }

    void serve(int requests)
    {
        m_thread = std::thread([this, requests] {
            uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
            for (int i = 0; i < requests; ++i) {
                const int rc = modbus_receive(m_ctx, query);
                if (rc <= 0 || modbus_reply(m_ctx, query, rc, m_map) < 0) {
                    return;
                }
            }
        });
    }
    void waitUntilDone() { m_thread.join(); }

private:
    int m_fd = -1;
    std::string m_path;
    modbus_t* m_ctx = nullptr;
    modbus_mapping_t* m_map = nullptr;
    std::thread m_thread;
};

TEST(ModbusPeer, LibmodbusSlaveAnswersOurReadsAndWrites)
{
    LibmodbusSlave slave;
    ASSERT_TRUE(slave.ready());
    slave.registers()[40] = 0x0102;
    slave.registers()[41] = 0xBEEF;
    slave.registers()[42] = 7;

    platform::QtSerialLink link;
    ASSERT_TRUE(link.open(slave.path()));
    ASSERT_TRUE(link.applyDefaultSettings());
    test::RecordingSink sink;
    MBCommThread master(link, sink, {0, 0, 2000});
    slave.serve(3);

    ASSERT_TRUE(master.readRegisters(40, 3, 1)) << sink.lines(MSG_DEBUG_LINE).back();
    const auto reply = master.response();
    ASSERT_EQ(reply.size(), 11U);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin() + 2, reply.begin() + 9),
              (std::vector<uint8_t>{6, 0x01, 0x02, 0xBE, 0xEF, 0x00, 0x07}));

    // libmodbus drops a request whose CRC it does not accept, so an answer proves ours.
    ASSERT_TRUE(master.writeRegister(41, 0x1234, 1)) << sink.lines(MSG_DEBUG_LINE).back();
    ASSERT_TRUE(master.readRegisters(41, 1, 1)) << sink.lines(MSG_DEBUG_LINE).back();
    slave.waitUntilDone();
    EXPECT_EQ(slave.registers()[41], 0x1234);
    EXPECT_EQ(std::vector<uint8_t>(master.response().begin() + 3, master.response().begin() + 5),
              (std::vector<uint8_t>{0x12, 0x34}));
}

} // namespace
