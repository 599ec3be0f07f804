#include "platform/QtNotificationRelay.h"
#include "platform/QtPromptRelay.h"
#include "support/TestDoubles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quillan;
using quillan::platform::QtNotificationRelay;
using quillan::platform::QtPromptRelay;

namespace {

// Runs the event loop of this (the owner) thread until done() holds.
bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) {
            loop.quit();
        }
    });
    check.start(5);
    if (!done()) {
        loop.exec();
    }
    return done();
}

bool finished(std::future<void>& f, int timeoutMs = 5000)
{
    return f.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready;
}

// Notifications handled by the main window, in order, on the owner thread only.
class NotificationRelayTest : public testing::Test {
protected:
    NotificationRelayTest()
    {
        relay.setHandler(Receiver::mainWindow, [this](const Notification& n) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            handled.push_back(n.code);
            ++handledCount;
        });
    }

    QtNotificationRelay relay;
    std::vector<int> handled; // owner thread
    std::atomic<int> handledCount{0};
};

TEST_F(NotificationRelayTest, WorkerSendsWaitForTheWindowPostsDoNot)
{
    int handledWhenSendReturned = -1;
    auto worker = std::async(std::launch::async, [&] {
        relay.post(MSG_SESSION_START);
        relay.send(MSG_READ_PROGRESS, 31, 0);
        handledWhenSendReturned = handledCount;
        relay.post(MSG_SESSION_DONE);
    });
    // The worker is held at its send until this thread handles it.
    ASSERT_TRUE(relay.calls().waitForQueued(2, 5000));
    EXPECT_FALSE(finished(worker, 50));
    ASSERT_TRUE(processEventsUntil([&] { return handledCount == 3; }));
    ASSERT_TRUE(finished(worker));
    worker.get();

    EXPECT_EQ(handled, (std::vector<int>{MSG_SESSION_START, MSG_READ_PROGRESS, MSG_SESSION_DONE}));
    EXPECT_EQ(handledWhenSendReturned, 2);
}

TEST_F(NotificationRelayTest, PostFromAWorkerReturnsWhileTheWindowIsBusy)
{
    auto worker = std::async(std::launch::async, [&] {
        relay.debugLine("Serial port failed", Delivery::posted);
        relay.post(MSG_SESSION_IDLE); // no firmware dialog: dropped when its turn comes
    });
    ASSERT_TRUE(finished(worker)); // this thread has not run its event loop at all
    EXPECT_TRUE(handled.empty());
    ASSERT_TRUE(processEventsUntil([&] { return handledCount == 1; }));
    EXPECT_EQ(handled, std::vector<int>{MSG_DEBUG_LINE});
}

TEST_F(NotificationRelayTest, OnTheOwnerThreadASendIsHandledAtOnce)
{
    relay.outputLine("North - Configuration download Ok.");
    EXPECT_EQ(handled, std::vector<int>{MSG_OUTPUT_LINE});
    relay.post(MSG_REFRESH_SELECTION);
    EXPECT_EQ(handledCount, 1);
    ASSERT_TRUE(processEventsUntil([&] { return handledCount == 2; }));
}

// The owner thread stops a worker that is waiting for it: it releases the relay and then
// waits for the worker, without running its own event loop in between.
TEST_F(NotificationRelayTest, ReleaseFreesASenderWhileTheOwnerWaitsForIt)
{
    auto worker = std::async(std::launch::async, [&] { relay.send(MSG_SESSION_FAILED); });
    ASSERT_TRUE(relay.calls().waitForQueued(1, 5000));
    relay.release();
    ASSERT_TRUE(finished(worker));
    worker.get();

    // Later sends do not wait either; what was sent is still handled, in order.
    auto late = std::async(std::launch::async, [&] { relay.send(MSG_SESSION_DONE); });
    ASSERT_TRUE(finished(late));
    ASSERT_TRUE(processEventsUntil([&] { return handledCount == 2; }));
    EXPECT_EQ(handled, (std::vector<int>{MSG_SESSION_FAILED, MSG_SESSION_DONE}));

    // Armed again for the next worker, sends wait once more.
    relay.rearm();
    auto next = std::async(std::launch::async, [&] { relay.send(MSG_SESSION_START); });
    ASSERT_TRUE(relay.calls().waitForQueued(1, 5000));
    EXPECT_FALSE(finished(next, 50));
    ASSERT_TRUE(processEventsUntil([&] { return handledCount == 3; }));
    ASSERT_TRUE(finished(next));
}

TEST_F(NotificationRelayTest, EachWindowGetsItsOwn)
{
    std::vector<int> owner;
    relay.setHandler(Receiver::sessionOwner,
                     [&](const Notification& n) { owner.push_back(n.code); });
    auto worker = std::async(std::launch::async, [&] {
        relay.post(MSG_SESSION_READ_OK, 1);
        relay.send(MSG_SESSION_DONE);
    });
    ASSERT_TRUE(processEventsUntil([&] { return handledCount == 1 && owner.size() == 1; }));
    ASSERT_TRUE(finished(worker));
    EXPECT_EQ(owner, std::vector<int>{MSG_SESSION_READ_OK});
    EXPECT_EQ(handled, std::vector<int>{MSG_SESSION_DONE});
}

class PromptRelayTest : public testing::Test {
protected:
    test::ScriptedPrompts dialogs; // answers on the owner thread
    QtPromptRelay relay{dialogs};
};

TEST_F(PromptRelayTest, AWorkerGetsTheAnswerGivenOnTheOwnerThread)
{
    dialogs.answers = {MessageAnswer::yes};
    std::promise<MessageAnswer> answer;
    auto worker = std::async(std::launch::async, [&] {
        relay.message(MessageIcon::information, "Flash", "Flash complete...");
        answer.set_value(relay.ask(MessageIcon::question, "Update Device", "Reconfigure the radio?",
                                   MessageButtons::yesNoCancelDefaultNo));
    });
    auto asked = answer.get_future();
    ASSERT_TRUE(processEventsUntil(
        [&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(asked.get(), MessageAnswer::yes);
    ASSERT_TRUE(finished(worker));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Flash complete...");
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].text, "Reconfigure the radio?");
    // The dialog on the owner thread takes No as its default too.
    EXPECT_EQ(dialogs.questions[0].buttons, MessageButtons::yesNoCancelDefaultNo);
}

struct SafeAnswerCase {
    MessageButtons buttons;
    MessageAnswer answer;
};

class ReleasedPromptTest : public PromptRelayTest,
                           public testing::WithParamInterface<SafeAnswerCase> {};

TEST_P(ReleasedPromptTest, GivesTheSafeAnswerAndShowsNothing)
{
    dialogs.answers = {MessageAnswer::yes, MessageAnswer::yes};
    std::promise<MessageAnswer> waiting;
    auto worker = std::async(std::launch::async, [&] {
        waiting.set_value(relay.ask(MessageIcon::question, "Q", "waiting", GetParam().buttons));
        // Asked after the release: answered at once as well.
        return relay.ask(MessageIcon::question, "Q", "late", GetParam().buttons);
    });
    ASSERT_TRUE(relay.calls().waitForQueued(1, 5000));
    relay.release();
    ASSERT_EQ(worker.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(waiting.get_future().get(), GetParam().answer);
    EXPECT_EQ(worker.get(), GetParam().answer);

    // The question taken back never comes up on the owner thread.
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.questions.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ReleasedPromptTest,
    testing::Values(SafeAnswerCase{MessageButtons::ok, MessageAnswer::ok},
                    SafeAnswerCase{MessageButtons::okCancel, MessageAnswer::cancel},
                    SafeAnswerCase{MessageButtons::yesNo, MessageAnswer::no},
                    SafeAnswerCase{MessageButtons::yesNoCancel, MessageAnswer::cancel},
                    SafeAnswerCase{MessageButtons::yesNoDefaultNo, MessageAnswer::no},
                    SafeAnswerCase{MessageButtons::yesNoCancelDefaultNo, MessageAnswer::cancel}));

} // namespace
