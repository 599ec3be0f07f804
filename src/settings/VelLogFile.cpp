#include "settings/VelLogFile.h"

#include "model/Notifications.h"
#include "model/Text.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace quillan {

namespace {

constexpr std::uint32_t kLogMode =
    VelFile::modeWrite | VelFile::shareDenyNone | VelFile::modeCreate | VelFile::modeNoTruncate;

// The path as the user would look for it: absolute, without "." and ".." steps.
std::string fullPath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(std::filesystem::path(cp1252ToUtf8(path)), error);
    if (error) {
        return path;
    }
    return utf8ToCp1252(absolute.lexically_normal().string());
}

} // namespace

VelLogFile::VelLogFile(NotificationSink& sink, Clock clock)
    : m_sink(sink), m_clock(clock ? std::move(clock) : Clock(&VelLogFile::localTime))
{
}

VelLogFile::~VelLogFile()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_syncer.joinable()) {
        m_syncer.join();
    }
    if (m_file) {
        m_file->flush();
        m_file->close();
    }
}

void VelLogFile::syncLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_unsynced || m_stopping; });
        if (!m_unsynced) {
            return;
        }
        m_unsynced = false;
        const std::shared_ptr<VelFile> file = m_file;
        lock.unlock();
        // Lines written meanwhile reach the system at once and wait for the next pass.
        if (file) {
            file->flush();
        }
        lock.lock();
    }
}

void VelLogFile::openLog(const std::string& path)
{
    bool opened = false;
    std::shared_ptr<VelFile> previous;
    {
        const std::lock_guard lock(m_mutex);
        previous = std::move(m_file);
        auto file = std::make_shared<VelFile>();
        opened = file->open(path, kLogMode);
        file->seek(0, VelFile::SeekOrigin::end);
        m_file = std::move(file);
        if (!m_syncer.joinable()) {
            m_syncer = std::thread([this] { syncLoop(); });
        }
    }
    // The last owner closes it: the sync thread may be syncing it right now.
    if (previous) {
        previous->flush();
    }
    // Told outside the lock: a sink that delivers at once may well write to this log.
    if (!opened) {
        m_sink.outputLine(strprintf(
            "%s was unable to be created - this directory requires administrative permissions.",
            fullPath(path).c_str()));
    }
}

void VelLogFile::writeLine(const std::string& text)
{
    const LogTime time = m_clock();
    const std::lock_guard lock(m_mutex);
    if (!m_file) {
        return;
    }
    const std::string line = formatLine(time, text);
    m_file->write(line.data(), line.size());
    m_unsynced = true;
    m_wake.notify_one();
}

bool VelLogFile::isOpen() const
{
    const std::lock_guard lock(m_mutex);
    return m_file && m_file->isOpen();
}

LogTime VelLogFile::localTime()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto millisecond =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millisecond)};
}

std::string VelLogFile::formatLine(const LogTime& time, const std::string& text)
{
    const std::string prefix =
        strprintf("%02d:%02d:%02d-%03d-", time.hour, time.minute, time.second, time.millisecond);
    return strprintf("%s  %s\r\n", prefix.c_str(), text.c_str());
}

std::string VelLogFile::formatOutputLine(const LogTime& time, const std::string& text)
{
    return strprintf("%02d:%02d:%02d.%03d- %s", time.hour, time.minute, time.second,
                     time.millisecond, text.c_str());
}

} // namespace quillan
