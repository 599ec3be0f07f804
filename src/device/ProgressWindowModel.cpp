#include "device/ProgressWindowModel.h"

#include "model/Notifications.h"

#include <algorithm>
#include <array>

namespace quillan::device {

namespace {

struct StepEntry {
    int step;
    const char* text;
    int amount; // added to the bar
};

constexpr std::array READ_STEPS{
    StepEntry{31, "Reading Monitor Configuration...", 9},
    StepEntry{0, "Reading Serial Configuration...", 9},
    StepEntry{1, "Reading Radio Configuration...", 9},
    StepEntry{2, "Reading Analog Configuration...", 9},
    StepEntry{3, "Reading Discrete Configuration...", 9},
    StepEntry{4, "Reading Point Configuration...", 5},
    StepEntry{5, "Reading Import Configuration...", 5},
    StepEntry{6, "Reading Export Configuration...", 5},
    StepEntry{7, "Reading Modbus Configuration...", 5},
    StepEntry{9, "Reading LevelMaster Configuration...", 5},
    StepEntry{12, "Reading Ethernet Services...", 5},
    StepEntry{13, "Reading Ethernet Configuration...", 5},
    StepEntry{14, "Reading System Time Configuration...", 5},
    StepEntry{16, "Reading Modbus Master TCP Connections...", 5},
    StepEntry{20, "Reading Event Logging Status...", 5},
    StepEntry{23, "Reading ROC Module Configuration...", 5},
    StepEntry{24, "Reading ROC Points Configuration...", 100},
    StepEntry{27, "Reading Trending Status...", 5},
};

constexpr std::array WRITE_STEPS{
    // The identify step of a write shows the reading text.
    StepEntry{31, "Reading Monitor Configuration...", 9},
    StepEntry{0, "Writing Serial Configuration...", 9},
    StepEntry{1, "Writing Radio Configuration...", 9},
    StepEntry{2, "Writing Analog Configuration...", 9},
    StepEntry{3, "Writing Discrete Configuration...", 9},
    StepEntry{4, "Writing Point Configuration...", 5},
    StepEntry{5, "Writing Import Configuration...", 5},
    StepEntry{6, "Writing Export Configuration...", 5},
    StepEntry{7, "Writing Modbus Configuration...", 5},
    StepEntry{9, "Writing LevelMaster Configuration...", 5},
    StepEntry{10, "Checking Site Security...", 9},
    StepEntry{12, "Writing Ethernet Services...", 5},
    StepEntry{13, "Writing Ethernet Configuration...", 5},
    StepEntry{16, "Writing Modbus Master TCP Connections...", 5},
    StepEntry{17, "Writing Event Log Configuration...", 5},
    StepEntry{18, "Writing Point Names Configuration...", 5},
    StepEntry{19, "Writing Device Name...", 5},
    StepEntry{21, "Writing Devices Configuration...", 5},
    StepEntry{22, "Writing Imports Devices Configuration...", 5},
    StepEntry{23, "Writing ROC Module Configuration...", 5},
    StepEntry{24, "Writing ROC Points Configuration...", 5},
    StepEntry{25, "Writing Trend Log Configuration...", 9},
    StepEntry{26, "Writing Trend Axis Configuration...", 9},
    StepEntry{29, "Storing Configuration...", 100},
};

template <size_t N> const StepEntry* findStep(const std::array<StepEntry, N>& table, int step)
{
    const auto it = std::find_if(table.begin(), table.end(),
                                 [step](const StepEntry& e) { return e.step == step; });
    return it != table.end() ? &*it : nullptr;
}

constexpr const char* CONNECTING = "Connecting...";
constexpr int START_POSITION = 8;

} // namespace

ProgressReaction ProgressWindowModel::handle(const Notification& notification)
{
    return handle(notification.code, notification.step, notification.page);
}

ProgressReaction ProgressWindowModel::handle(int code, int step, int page)
{
    ProgressReaction reaction;
    switch (code) {
    case MSG_SESSION_START:
    case MSG_SESSION_START_ALT1:
    case MSG_UPDATE_START:
    case MSG_SESSION_START_ALT2:
    case MSG_FILE_START:
        open();
        break;
    case MSG_READ_PROGRESS:
    case MSG_PROGRESS_ALT:
    case MSG_WRITE_PROGRESS:
    case MSG_NODE_PROGRESS:
    case MSG_FILE_PROGRESS:
        if (!m_exists) {
            return reaction;
        }
        break;
    case MSG_SESSION_DONE:
    case MSG_SESSION_FAILED:
        if (!m_exists) {
            return reaction;
        }
        m_visible = false;
        break;
    default:
        return reaction;
    }
    reaction.handled = true;

    switch (code) {
    case MSG_SESSION_START:
        m_title = CONNECTING;
        m_position = 0;
        setText(CONNECTING, reaction);
        m_position = START_POSITION;
        reaction.pauseMs = STEP_PAUSE_MS;
        break;
    case MSG_UPDATE_START:
        m_title = "Updating Device...";
        m_position = START_POSITION;
        setText(CONNECTING, reaction);
        reaction.redraw = true;
        reaction.pauseMs = STEP_PAUSE_MS;
        break;
    case MSG_FILE_START:
        m_title = "Writing File to Device...";
        m_position = START_POSITION;
        setText(CONNECTING, reaction);
        reaction.redraw = true;
        reaction.pauseMs = STEP_PAUSE_MS;
        break;
    case MSG_READ_PROGRESS:
    case MSG_WRITE_PROGRESS:
        this->step(code == MSG_WRITE_PROGRESS, step, page, reaction);
        break;
    case MSG_FILE_PROGRESS:
        advance(30);
        setText("Writing File...", reaction);
        reaction.redraw = true;
        reaction.pauseMs = STEP_PAUSE_MS;
        break;
    case MSG_SESSION_DONE:
        setText("Connected...", reaction);
        reaction.pauseMs = STEP_PAUSE_MS;
        m_exists = false;
        break;
    case MSG_SESSION_FAILED:
        setText("Connection failed...", reaction);
        reaction.pauseMs = FAILURE_PAUSE_MS;
        m_exists = false;
        break;
    default:
        // The other start and progress codes reach the window, which has nothing for them.
        break;
    }
    return reaction;
}

void ProgressWindowModel::open()
{
    m_exists = true;
    m_visible = true;
    m_title = CONNECTING;
    m_text = "Initializing...";
    m_position = 0;
}

void ProgressWindowModel::setText(const char* text, ProgressReaction& reaction)
{
    m_text = text;
    reaction.textChanged = true;
}

void ProgressWindowModel::advance(int amount)
{
    m_position = std::min(m_position + amount, BAR_MAX);
}

void ProgressWindowModel::step(bool write, int code, int page, ProgressReaction& reaction)
{
    if (page != 0) {
        // Further pages of a table only move the bar.
        advance(1);
    } else if (const StepEntry* entry =
                   write ? findStep(WRITE_STEPS, code) : findStep(READ_STEPS, code)) {
        advance(entry->amount);
        setText(entry->text, reaction);
    } else {
        setText("", reaction);
    }
    reaction.redraw = write;
    reaction.pauseMs = STEP_PAUSE_MS;
}

} // namespace quillan::device
