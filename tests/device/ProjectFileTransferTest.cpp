#include "device/ProjectFileTransfer.h"

#include "OperationTestSupport.h"
#include "device/ProjectPacking.h"
#include "support/PackedSizeInputs.h"
#include "support/RichProject.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace quillan;
using namespace quillan::device;
using namespace quillan::test;

namespace fs = std::filesystem;

namespace {

LinkTimings transferTimings()
{
    LinkTimings t = quickTimings();
    t.queryProjectMs = 150;
    t.readProjectMs = 150;
    t.storeProjectMs = 150;
    return t;
}

std::vector<uint8_t> richProjectFile()
{
    RichProject project;
    return project.doc.toBytes();
}

std::vector<uint8_t> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Store ---------------------------------------------------------------------------------------

struct StoreCase {
    const char* name;
    sim::FaultOptions faults{};
    uint16_t deviceType = 12;
    bool deviceHoldsProject = false;
    std::optional<MessageAnswer> answer{};
    int result = 66;
    std::vector<std::string> lines{"North - File successfully uploaded."};
    std::vector<int> windowCodes{};
    bool stored = true; // the device holds the new packed file afterwards
};

void PrintTo(const StoreCase& c, std::ostream* os)
{
    *os << c.name;
}

constexpr int START = MSG_FILE_START;
constexpr int FILE_PROGRESS = MSG_FILE_PROGRESS;
constexpr int IDENTIFY_STEP = MSG_WRITE_PROGRESS;
constexpr int DONE = MSG_SESSION_DONE;
constexpr int FAILED = MSG_SESSION_FAILED;

const StoreCase STORE_CASES[] = {
    {.name = "StoredOnAnEmptyDevice",
     .windowCodes = {START, IDENTIFY_STEP, FILE_PROGRESS, FILE_PROGRESS, DONE}},
    {.name = "ReplacedWhenTheUserSaysYes",
     .deviceHoldsProject = true,
     .answer = MessageAnswer::yes,
     .windowCodes = {START, IDENTIFY_STEP, FILE_PROGRESS, FILE_PROGRESS, DONE}},
    {.name = "KeptWhenTheUserSaysNo",
     .deviceHoldsProject = true,
     .answer = MessageAnswer::no,
     .result = 65,
     .lines = {"North - Could not write file to the device."},
     .windowCodes = {START, IDENTIFY_STEP, FAILED},
     .stored = false},
    {.name = "NoAnswerToTheEnquiry",
     .faults = dropping(CMD_ENQUIRE),
     .result = 21,
     .lines = {"North - Device connection failure."},
     .windowCodes = {START, FAILED},
     .stored = false},
    {.name = "NoIdentity",
     .faults = dropping(CMD_IDENTIFY),
     .result = 24,
     .lines = {"North - Unknown or no device response."},
     .windowCodes = {START, IDENTIFY_STEP, FAILED},
     .stored = false},
    {.name = "NotAGateway",
     .deviceType = 11,
     .result = 25,
     .lines = {"North - ZAV Gateway Module update failure, a Base Unit was detected."},
     .windowCodes = {START, IDENTIFY_STEP, FAILED},
     .stored = false},
    {.name = "QueryUnanswered",
     .faults = dropping(CMD_QUERY_PROJECT),
     .result = 65,
     .lines = {"North - Could not write file to the device."},
     .windowCodes = {START, IDENTIFY_STEP, FAILED},
     .stored = false},
    {.name = "StoreRefused",
     .faults = naking(CMD_STORE_PROJECT),
     .result = 65,
     .lines = {"North - Device negative acknowledge.", "North - Could not write file to the device."},
     .windowCodes = {START, IDENTIFY_STEP, FILE_PROGRESS, FAILED},
     .stored = false},
    {.name = "StoreUnanswered",
     .faults = dropping(CMD_STORE_PROJECT),
     .result = 65,
     .lines = {"North - Could not write file to the device."},
     .windowCodes = {START, IDENTIFY_STEP, FILE_PROGRESS, FAILED},
     .stored = false},
};

class StoreProjectFileTest : public testing::TestWithParam<StoreCase> {};

TEST_P(StoreProjectFileTest, EndsWithItsLineAndTheLinkGivenBack)
{
    const StoreCase& c = GetParam();
    const std::vector<uint8_t> old{1, 2, 3};
    sim::SimulatorState state = sim::SimulatorState::newGateway();
    state.deviceType = c.deviceType;
    if (c.deviceHoldsProject) {
        state.projectFile = old;
    }
    OperationBench bench(state, c.faults, true, transferTimings());
    if (c.answer) {
        bench.prompts.answers.push_back(*c.answer);
    }
    const PackResult packed = compressBuffer(richProjectFile());
    ASSERT_EQ(packed.status, 0);

    EXPECT_EQ(storeProjectFile(*bench.link, packed.packed), c.result);

    EXPECT_EQ(bench.outputLines(), c.lines);
    EXPECT_EQ(bench.windowCodes(), c.windowCodes);
    if (c.answer) {
        ASSERT_EQ(bench.prompts.questions.size(), 1u);
        EXPECT_EQ(bench.prompts.questions[0].caption, "Overwrite project file?");
        EXPECT_EQ(bench.prompts.questions[0].text, "A project file is already stored on this "
                                                   "device.  Would you like to overwrite it?");
        EXPECT_EQ(bench.prompts.questions[0].buttons, MessageButtons::yesNoDefaultNo);
    } else {
        EXPECT_TRUE(bench.prompts.questions.empty());
    }
    const std::vector<uint8_t> expected =
        c.stored ? packed.packed : (c.deviceHoldsProject ? old : std::vector<uint8_t>{});
    EXPECT_EQ(bench.gateway->state().projectFile, expected);
    bench.expectLinkGivenBack();
}

INSTANTIATE_TEST_SUITE_P(Cases, StoreProjectFileTest, testing::ValuesIn(STORE_CASES),
                         [](const auto& p) { return std::string(p.param.name); });

// The store command's checks before it talks to the device.
TEST(PackProjectFileForStoreTest, AFileThatCannotBeReadGetsItsMessage)
{
    TempDir dir;
    ScriptedPrompts prompts;
    EXPECT_FALSE(packProjectFileForStore((fs::path(dir.path()) / "missing.zavproj").string(), prompts));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::error);
    EXPECT_EQ(prompts.messages[0].caption, "Error Opening File");
    EXPECT_EQ(prompts.messages[0].text, "Could not open the selected file.  Please try again.");
}

TEST(PackProjectFileForStoreTest, TheLimitIsOneFrame)
{
    const auto fitting = inputPackingTo(PACKED_PROJECT_LIMIT);
    const auto tooLarge = inputPackingTo(PACKED_PROJECT_LIMIT + 1);
    ASSERT_TRUE(fitting && tooLarge);

    TempDir dir;
    const fs::path fits = fs::path(dir.path()) / "fits.zavproj";
    const fs::path over = fs::path(dir.path()) / "over.zavproj";
    writeFile(fits, *fitting);
    writeFile(over, *tooLarge);

    ScriptedPrompts prompts;
    const auto packed = packProjectFileForStore(fits.string(), prompts);
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->size(), 8186u);
    EXPECT_TRUE(prompts.messages.empty());

    EXPECT_FALSE(packProjectFileForStore(over.string(), prompts));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, "Error Storing File");
    EXPECT_EQ(prompts.messages[0].text, "Could not store the selected file: file size is too large.");

    // Whatever fits is stored whole.
    OperationBench bench(sim::SimulatorState::newGateway(), {}, true, transferTimings());
    EXPECT_EQ(storeProjectFile(*bench.link, *packed), 66);
    EXPECT_EQ(bench.gateway->state().projectFile, *packed);
}

// Retrieve ------------------------------------------------------------------------------------

class RetrieveProjectFileTest : public testing::Test {
protected:
    // A device holding the packed file, reached under the plain node's name.
    void makeBench(std::vector<uint8_t> stored, uint16_t deviceType = 12, sim::FaultOptions faults = {})
    {
        sim::SimulatorState state = sim::SimulatorState::newGateway();
        state.deviceType = deviceType;
        state.projectFile = std::move(stored);
        bench = std::make_unique<OperationBench>(state, faults, true, transferTimings(),
                                                 RETRIEVE_NODE_NAME);
    }

    // Saves into the folder under the suggested name, remembering the suggestion.
    RetrieveResult retrieve()
    {
        return retrieveProjectFile(*bench->link, folder.path().string(), [this](const std::string& name) {
            suggested = name;
            return std::optional((fs::path(folder.path()) / (name + ".zavproj")).string());
        });
    }

    TempDir folder;
    std::unique_ptr<OperationBench> bench;
    std::optional<std::string> suggested;
};

TEST_F(RetrieveProjectFileTest, StoreThenRetrieveGivesTheSameBytes)
{
    const std::vector<uint8_t> original = richProjectFile();
    {
        OperationBench storing(sim::SimulatorState::newGateway(), {}, true, transferTimings());
        const auto packed = compressBuffer(original);
        ASSERT_EQ(storeProjectFile(*storing.link, packed.packed), 66);
        makeBench(storing.gateway->state().projectFile);
    }

    const RetrieveResult result = retrieve();

    EXPECT_EQ(result.resultCode, 69);
    EXPECT_EQ(suggested, "Plant");
    const fs::path saved = fs::path(folder.path()) / "Plant.zavproj";
    EXPECT_EQ(result.savedPath, saved.string());
    EXPECT_EQ(readFile(saved), original);
    EXPECT_EQ(bench->outputLines(),
              std::vector<std::string>{"Gateway - File successfully downloaded."});
    // The temporary file that gave the name is gone, and nothing else was left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    bench->expectLinkGivenBack();
    // No progress window for a retrieve.
    EXPECT_TRUE(bench->windowCodes().empty());
}

struct RetrieveFailure {
    const char* name;
    uint16_t deviceType = 12;
    sim::FaultOptions faults{};
    std::vector<uint8_t> stored{};
    int result = 0;
    std::string line{};
};

void PrintTo(const RetrieveFailure& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<uint8_t> packedWithSize(uint32_t claimed)
{
    std::vector<uint8_t> packed = compressBuffer(std::vector<uint8_t>(100, 'x')).packed;
    bytes::putU32(packed.data(), claimed);
    return packed;
}

const RetrieveFailure RETRIEVE_FAILURES[] = {
    {.name = "AnalogTransmitter",
     .deviceType = 1,
     .stored = {1},
     .result = 67,
     .line = "Gateway - Gateway connect failure, a Analog Transmitter was detected."},
    {.name = "NoAnswer",
     .faults = dropping(CMD_ENQUIRE),
     .stored = {1},
     .result = 24,
     .line = "Gateway - Unknown or no device response."},
    {.name = "NoIdentity",
     .faults = dropping(CMD_IDENTIFY),
     .stored = {1},
     .result = 24,
     .line = "Gateway - Unknown or no device response."},
    {.name = "NothingStored",
     .result = 68,
     .line = "Gateway - Could not read file from the device."},
    {.name = "ReadUnanswered",
     .faults = dropping(CMD_READ_PROJECT),
     .stored = {1},
     .result = 68,
     .line = "Gateway - Could not read file from the device."},
    {.name = "NotPacked",
     .stored = {0x10, 0, 0, 0, 0x5D, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF},
     .result = 70,
     .line = "Gateway - Could not read file from the device - bad format."},
    {.name = "ClaimsFourGigabytes",
     .stored = packedWithSize(0xFFFFFFFF),
     .result = 70,
     .line = "Gateway - Could not read file from the device - bad format."},
    {.name = "ClaimsMoreThanItHolds",
     .stored = packedWithSize(101),
     .result = 70,
     .line = "Gateway - Could not read file from the device - bad format."},
};

class RetrieveFailureTest : public RetrieveProjectFileTest,
                            public testing::WithParamInterface<RetrieveFailure> {};

TEST_P(RetrieveFailureTest, EndsWithItsLineAndNoFile)
{
    const RetrieveFailure& c = GetParam();
    makeBench(c.stored, c.deviceType, c.faults);

    const RetrieveResult result = retrieve();

    EXPECT_EQ(result.resultCode, c.result);
    EXPECT_FALSE(result.savedPath);
    EXPECT_FALSE(suggested);
    EXPECT_EQ(bench->outputLines(), std::vector<std::string>{c.line});
    EXPECT_TRUE(fs::is_empty(folder.path()));
    bench->expectLinkGivenBack();
}

INSTANTIATE_TEST_SUITE_P(Cases, RetrieveFailureTest, testing::ValuesIn(RETRIEVE_FAILURES),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(RetrieveProjectFileTest, EveryDeviceTypeThatMayHoldAProjectIsAccepted)
{
    const std::vector<uint8_t> original = richProjectFile();
    for (const uint16_t type : {11, 12, 13, 14}) {
        SCOPED_TRACE(type);
        makeBench(compressBuffer(original).packed, type);
        const RetrieveResult result = retrieve();
        EXPECT_EQ(result.resultCode, 69);
        bench->expectLinkGivenBack();
    }
}

TEST_F(RetrieveProjectFileTest, CancellingTheSaveWritesNothing)
{
    makeBench(compressBuffer(richProjectFile()).packed);

    const RetrieveResult result = retrieveProjectFile(
        *bench->link, folder.path().string(), [](const std::string&) { return std::optional<std::string>(); });

    EXPECT_EQ(result.resultCode, 0);
    EXPECT_FALSE(result.savedPath);
    EXPECT_TRUE(bench->outputLines().empty());
    EXPECT_TRUE(fs::is_empty(folder.path()));
    bench->expectLinkGivenBack();
}

TEST_F(RetrieveProjectFileTest, AFileThatCannotBeWrittenGetsItsMessageAndKeepsTheOldOne)
{
    makeBench(compressBuffer(richProjectFile()).packed);
    // The target is a folder: nothing can replace it.
    const fs::path target = fs::path(folder.path()) / "Plant.zavproj";
    fs::create_directory(target);

    const RetrieveResult result = retrieve();

    EXPECT_FALSE(result.savedPath);
    EXPECT_TRUE(fs::is_directory(target));
    ASSERT_EQ(bench->prompts.messages.size(), 1u);
    EXPECT_EQ(bench->prompts.messages[0].caption, "Error Saving File");
    EXPECT_EQ(bench->prompts.messages[0].text,
              "Could not save to the selected file.  Please try again.");
    EXPECT_TRUE(bench->outputLines().empty());
    bench->expectLinkGivenBack();
}

TEST(StoredProjectNameTest, ReadsTheNameOrNothing)
{
    TempDir folder;
    EXPECT_EQ(storedProjectName(richProjectFile(), folder.path().string()), "Plant");
    EXPECT_EQ(storedProjectName({}, folder.path().string()), "");
    EXPECT_EQ(storedProjectName({1, 2, 3, 4}, folder.path().string()), "");
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

} // namespace
