#include "cli/DeviceConsole.h"

#include "model/Text.h"
#include "settings/VelLogFile.h"

#include <mutex>
#include <ostream>

namespace quillan::cli {

void DeviceConsole::notify(const Notification& notification)
{
    std::lock_guard lock(m_mutex);
    switch (notification.code) {
    case MSG_OUTPUT_LINE:
        print(notification.text);
        return;
    case MSG_DEBUG_LINE:
        if (m_verbose) {
            print(notification.text);
        }
        return;
    case MSG_SESSION_READ_OK:
        m_readOutcome = true;
        return;
    case MSG_SESSION_FAILED:
        m_readOutcome = false;
        break;
    case MSG_FLASH_PROGRESS:
        // A line per ten percent: a bar moves smoothly, a terminal would scroll a hundred.
        if (!m_flashTens || notification.step / 10 != *m_flashTens) {
            m_flashTens = notification.step / 10;
            print(strprintf("Writing flash memory... %d%%", notification.step));
        }
        return;
    case MSG_SESSION_IDLE:
        m_flashTens.reset(); // the flash window closes; whoever started the flash says how it went
        return;
    default:
        break;
    }
    if (notification.receiver != Receiver::mainWindow) {
        return;
    }
    const std::string before = m_progress.exists() ? m_progress.text() : std::string();
    const device::ProgressReaction reaction = m_progress.handle(notification);
    // The terminal shows what changes on the window, not every step of a paged table.
    if (reaction.textChanged && !m_progress.text().empty() && m_progress.text() != before) {
        print(m_progress.text());
    }
}

std::optional<bool> DeviceConsole::readOutcome() const
{
    std::lock_guard lock(m_mutex);
    return m_readOutcome;
}

void DeviceConsole::clearReadOutcome()
{
    std::lock_guard lock(m_mutex);
    m_readOutcome.reset();
}

void DeviceConsole::print(const std::string& text)
{
    m_out << cp1252ToUtf8(VelLogFile::formatOutputLine(VelLogFile::localTime(), text)) << "\n"
          << std::flush;
}

device::FrameTrace frameTrace(std::ostream& out)
{
    auto mutex = std::make_shared<std::mutex>();
    return [&out, mutex](device::TraceDirection direction, std::span<const uint8_t> frame) {
        std::string hex;
        for (const uint8_t byte : frame) {
            hex += strprintf(" %02X", byte);
        }
        const std::string text =
            (direction == device::TraceDirection::sent ? "->" : "<-") + hex;
        std::lock_guard lock(*mutex);
        out << VelLogFile::formatOutputLine(VelLogFile::localTime(), text) << "\n" << std::flush;
    };
}

} // namespace quillan::cli
