// Linked into the test programs that need a QCoreApplication: QSerialPort's notifiers and the
// relays' queued calls are delivered through it. It lives for the whole program, made before
// the first test and gone after the last.
#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QtApplicationEnvironment final : public testing::Environment {
public:
    void SetUp() override { m_app = std::make_unique<QCoreApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "quillan-tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_app;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
