#pragma once

#include <string>

namespace quillan {
struct Notification;
}

namespace quillan::device {

// What the progress window does with one notification, for whoever draws it.
struct ProgressReaction {
    bool handled = false;     // the window took it (a start made a new window first)
    bool textChanged = false; // the text line was set, perhaps to the same text
    bool redraw = false;      // the window repaints before it pauses
    // How long the window then holds the thread that shows it. The GUI's pacing only: the
    // operation never waits for it.
    int pauseMs = 0;
};

// The progress window of a device operation ("Connecting...") together with the main window's
// relay in front of it: start notifications replace the window, step notifications reach it
// while it exists, end notifications hide it, set the final text and close it. Plain state:
// the GUI draws it and the CLI prints its text lines.
class ProgressWindowModel {
public:
    static constexpr int STEP_PAUSE_MS = 100;
    static constexpr int FAILURE_PAUSE_MS = 1000;
    static constexpr int BAR_MAX = 100;

    ProgressReaction handle(int code, int step = 0, int page = 0);
    ProgressReaction handle(const Notification& notification);

    [[nodiscard]] bool exists() const { return m_exists; }
    [[nodiscard]] bool visible() const { return m_visible; }
    [[nodiscard]] const std::string& title() const { return m_title; }
    // The text line; after an end notification, the final text set on the hidden window.
    [[nodiscard]] const std::string& text() const { return m_text; }
    [[nodiscard]] int position() const { return m_position; }

private:
    void open();
    void setText(const char* text, ProgressReaction& reaction);
    void advance(int amount);
    void step(bool write, int code, int page, ProgressReaction& reaction);

    bool m_exists = false;
    bool m_visible = false;
    std::string m_title;
    std::string m_text;
    int m_position = 0;
};

} // namespace quillan::device
