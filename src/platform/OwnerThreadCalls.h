#pragma once

#include <QObject>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace quillan::platform {

// Runs functions on the thread that owns the windows (the thread that creates this object)
// for workers, which must not touch windows themselves. From the owner thread call() runs the
// function at once. From another thread call() queues it and waits until it has run, and
// post() queues it and returns. Queued functions run in order, when the owner thread's event
// loop gets to them.
//
// release() lets every waiting caller go at once and keeps later callers from waiting, until
// rearm(): the owner thread cannot run queued functions while it waits for a worker to end,
// so whoever stops a worker releases first. A released call either still runs later or is
// dropped, as its caller chose; a function queued by call() must therefore hold by value what
// it uses. The object must outlive every worker that uses it.
class OwnerThreadCalls final : public QObject {
    Q_OBJECT
public:
    // What becomes of a call whose caller was released before it ran.
    enum class IfReleased {
        run,  // runs later, like a posted one
        drop, // never runs (an answer nobody waits for any more)
    };

    explicit OwnerThreadCalls(QObject* parent = nullptr);
    ~OwnerThreadCalls() override;

    // True once fn has run; false if the caller was released before (or while) it ran.
    bool call(std::function<void()> fn, IfReleased ifReleased);
    // fn's result, or none if the caller was released before it was known.
    template <class R>
    [[nodiscard]] std::optional<R> callForResult(std::function<R()> fn, IfReleased ifReleased)
    {
        auto result = std::make_shared<std::optional<R>>();
        if (!call([fn = std::move(fn), result] { *result = fn(); }, ifReleased)) {
            return std::nullopt;
        }
        return *result;
    }
    void post(std::function<void()> fn);

    // Both may be called from any thread.
    void release();
    void rearm();
    [[nodiscard]] bool isReleased() const;

    [[nodiscard]] bool isOwnerThread() const;
    // Waits until at least count calls are queued and not yet run.
    [[nodiscard]] bool waitForQueued(size_t count, int timeoutMs) const;

private Q_SLOTS:
    void runQueued();

private:
    struct CallState {
        bool done = false;
    };
    struct Item {
        std::function<void()> fn;
        std::shared_ptr<CallState> state; // null for a posted function
        IfReleased ifReleased = IfReleased::run;
    };

    void wake();

    const std::thread::id m_owner;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<Item> m_queue;
    bool m_released = false;
};

} // namespace quillan::platform
