#include "document/TarnDoc.h"
#include "model/Archive.h"
#include "support/TempDir.h"
#include "support/TestDoubles.h"

#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace quillan;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DocumentTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.valid());
        m_dir = m_temp.path();
        fs::create_directories(m_dir / "a");
        fs::create_directories(m_dir / "b");
    }

    // A saved project with two sites in folder a.
    fs::path makeProject(const std::string& name)
    {
        TarnDoc doc(m_sink, m_prompts);
        NewProjectValues values;
        values.name = name;
        values.folder = (m_dir / "a").string();
        values.band = band900;
        values.channel = 5;
        values.group = 10;
        EXPECT_TRUE(doc.createProject(values));
        Site second;
        second.setSiteName("Second");
        doc.root()->sites().push_back(second.clone());
        doc.root()->sites()[0]->setSecurityKey(1111);
        doc.root()->sites()[1]->setSecurityKey(2222);
        const fs::path path = m_dir / "a" / (name + ".zavproj");
        EXPECT_TRUE(doc.saveDocument(path.string()));
        return path;
    }

    test::TempDir m_temp;
    fs::path m_dir;
    test::RecordingSink m_sink;
    test::ScriptedPrompts m_prompts;
};

} // namespace

TEST_F(DocumentTest, EmptyDocumentIsTwoZeroWordsAndAnEmptyList)
{
    TarnDoc doc(m_sink, m_prompts);
    EXPECT_EQ(doc.toBytes(), std::vector<uint8_t>(10, 0));
    EXPECT_TRUE(doc.loadFromBytes(std::vector<uint8_t>(10, 0)));
    EXPECT_EQ(doc.root(), nullptr);
}

TEST_F(DocumentTest, ProjectRootReadsAndWritesBackByteForByte)
{
    const auto path = makeProject("Plant");
    const auto original = readFile(path);
    TarnDoc doc(m_sink, m_prompts);
    ASSERT_TRUE(doc.openDocument(path.string()));
    doc.linkAfterLoad();
    EXPECT_EQ(doc.toBytes(), original);
    EXPECT_EQ(doc.root()->projectName(), "Plant");
    EXPECT_EQ(doc.root()->projectFolder(), (m_dir / "a").string() + "/");
    EXPECT_EQ(doc.root()->sites().size(), 2u);
}

TEST_F(DocumentTest, MovedFileTakesItsNewFolderAndKeepsKeys)
{
    const auto path = makeProject("Plant");
    const auto moved = m_dir / "b" / "Plant.zavproj";
    fs::copy_file(path, moved);
    TarnDoc doc(m_sink, m_prompts);
    ASSERT_TRUE(doc.openDocument(moved.string()));
    doc.linkAfterLoad();
    EXPECT_EQ(doc.root()->projectFolder(), (m_dir / "b").string() + "/");
    EXPECT_EQ(doc.root()->projectName(), "Plant");
    EXPECT_EQ(doc.root()->sites()[0]->getSecurityKey(), 1111u);
    EXPECT_EQ(doc.root()->sites()[1]->getSecurityKey(), 2222u);
    EXPECT_TRUE(doc.isModified());
}

TEST_F(DocumentTest, RenamedFileTakesItsNewNameAndNewKeys)
{
    const auto path = makeProject("Plant");
    const auto renamed = m_dir / "a" / "Plant2.zavproj";
    fs::copy_file(path, renamed);
    TarnDoc doc(m_sink, m_prompts);
    const auto before = static_cast<uint32_t>(std::time(nullptr));
    ASSERT_TRUE(doc.openDocument(renamed.string()));
    doc.linkAfterLoad();
    EXPECT_EQ(doc.root()->projectName(), "Plant2");
    EXPECT_EQ(doc.root()->projectFolder(), (m_dir / "a").string() + "/");
    EXPECT_GE(doc.root()->sites()[0]->getSecurityKey(), before);
    EXPECT_EQ(doc.root()->sites()[1]->getSecurityKey(),
              doc.root()->sites()[0]->getSecurityKey() + 1);
    EXPECT_TRUE(doc.isModified());
}

TEST_F(DocumentTest, UnmovedFileOpensUnmodified)
{
    const auto path = makeProject("Plant");
    TarnDoc doc(m_sink, m_prompts);
    ASSERT_TRUE(doc.openDocument(path.string()));
    doc.linkAfterLoad();
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(doc.root()->sites()[0]->getSecurityKey(), 1111u);
}

TEST_F(DocumentTest, FileSavedOnWindowsOpensWithItsFolderCorrectedAndNameKept)
{
    // A root written by the program on Windows, folder "C:\Work\".
    TarnDoc source(m_sink, m_prompts);
    NewProjectValues values{"Plant", (m_dir / "a").string(), band868, 3, 7, std::nullopt};
    ASSERT_TRUE(source.createProject(values));
    source.root()->setProjectFolder("C:\\Work\\");
    source.root()->sites()[0]->setSecurityKey(4242);
    const auto bytes = source.toBytes();
    const auto path = m_dir / "b" / "Plant.zavproj";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    TarnDoc doc(m_sink, m_prompts);
    ASSERT_TRUE(doc.openDocument(path.string()));
    EXPECT_EQ(doc.root()->projectFolder(), (m_dir / "b").string() + "/");
    EXPECT_EQ(doc.root()->projectName(), "Plant");
    EXPECT_EQ(doc.root()->sites()[0]->getSecurityKey(), 4242u);
}

TEST_F(DocumentTest, SaveAsGivesNewKeysSaveInPlaceKeepsThem)
{
    const auto path = makeProject("Plant");
    TarnDoc doc(m_sink, m_prompts);
    ASSERT_TRUE(doc.openDocument(path.string()));
    doc.linkAfterLoad();
    ASSERT_TRUE(doc.saveDocument(path.string()));
    EXPECT_EQ(doc.root()->sites()[0]->getSecurityKey(), 1111u);

    const auto other = m_dir / "b" / "Copy.zavproj";
    ASSERT_TRUE(doc.saveDocument(other.string()));
    EXPECT_NE(doc.root()->sites()[0]->getSecurityKey(), 1111u);
    EXPECT_EQ(doc.root()->projectName(), "Copy");
    EXPECT_EQ(doc.root()->projectFolder(), (m_dir / "b").string() + "/");
    EXPECT_FALSE(doc.isModified());
}

TEST_F(DocumentTest, FailedSaveLeavesThePreviousFileAndTheModel)
{
    const auto path = makeProject("Plant");
    const auto original = readFile(path);
    TarnDoc doc(m_sink, m_prompts);
    ASSERT_TRUE(doc.openDocument(path.string()));
    doc.root()->sites()[0]->setSiteName(std::string(500, 'x')); // a larger file

    // Limit the size of files this process may write, so the write fails part way.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const DocumentStatus status = doc.saveDocument((m_dir / "b" / "Other.zavproj").string());
    const DocumentStatus inPlace = doc.saveDocument(path.string());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(status);
    EXPECT_EQ(status.message, "Failed to save document.");
    EXPECT_FALSE(inPlace);
    EXPECT_NE(inPlace.detail.find("write failed"), std::string::npos) << inPlace.detail;
    EXPECT_EQ(readFile(path), original);
    EXPECT_FALSE(fs::exists(m_dir / "b" / "Other.zavproj"));
    EXPECT_EQ(doc.root()->projectName(), "Plant"); // the failed save-as changed nothing
    EXPECT_EQ(doc.root()->sites()[0]->getSecurityKey(), 1111u);
    for (const auto& entry : fs::directory_iterator(m_dir / "a")) {
        EXPECT_EQ(entry.path().filename(), "Plant.zavproj") << "temporary file left behind";
    }
}

TEST_F(DocumentTest, OpenFailuresNameTheirCause)
{
    const auto path = makeProject("Plant");
    auto bytes = readFile(path);
    struct Case {
        const char* label;
        std::vector<uint8_t> data;
        const char* message;
    };
    auto truncated = bytes;
    truncated.resize(bytes.size() - 3);
    auto badClass = bytes;
    badClass[16] = 'X'; // "FileNode" -> "XileNode"
    std::vector<uint8_t> gatewayFirst = {0,    0,    0, 0, 0, 0, 0,   0,   1,   0,
                                         0xFF, 0xFF, 1, 0, 4, 0, 'S', 'i', 't', 'e'};
    const Case cases[] = {
        {"truncated", truncated, "Unexpected file format."},
        {"unknown class", badClass, "Unexpected file format."},
        {"root of the wrong class", gatewayFirst, "Unexpected file format."},
    };
    for (const Case& c : cases) {
        const auto file = m_dir / "b" / "bad.zavproj";
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(c.data.data()),
                   static_cast<std::streamsize>(c.data.size()));
        TarnDoc doc(m_sink, m_prompts);
        const DocumentStatus status = doc.openDocument(file.string());
        EXPECT_FALSE(status) << c.label;
        EXPECT_EQ(status.message, c.message) << c.label;
        EXPECT_EQ(doc.root(), nullptr) << c.label;
        EXPECT_TRUE(doc.nodes().empty()) << c.label;
    }
    TarnDoc doc(m_sink, m_prompts);
    EXPECT_EQ(doc.openDocument((m_dir / "missing.zavproj").string()).message,
              "Failed to open document.");
}

TEST_F(DocumentTest, SitesAreInsertedEditedAndRemoved)
{
    const auto path = makeProject("Plant");
    TarnDoc doc(m_sink, m_prompts);
    ASSERT_TRUE(doc.openDocument(path.string()));
    doc.linkAfterLoad();
    doc.setModifiedFlag(false);

    Site third;
    third.setSiteName("Third");
    third.setBand(band2400);
    doc.insertSite(third);
    ASSERT_EQ(doc.root()->sites().size(), 3u);
    EXPECT_EQ(doc.root()->sites()[2]->getSiteName(), "Third");
    EXPECT_NE(doc.root()->sites()[2].get(), &third) << "the document keeps a copy";
    EXPECT_TRUE(doc.isModified());

    Site edited = *doc.root()->sites()[2];
    edited.setSiteChannel(20);
    doc.editSite(*doc.root()->sites()[2], edited);
    EXPECT_EQ(doc.root()->sites()[2]->getSiteChannel(), 20);

    doc.root()->setCurrentSite(2);
    doc.removeSite(*doc.root()->sites()[0]); // the first site stays
    doc.removeSite(*doc.root()->sites()[2]); // so does the active one
    EXPECT_EQ(doc.root()->sites().size(), 3u);
    doc.removeSite(*doc.root()->sites()[1]);
    ASSERT_EQ(doc.root()->sites().size(), 2u);
    EXPECT_EQ(doc.root()->currentSite(), 1u);
    EXPECT_EQ(doc.root()->activeSite()->getSiteName(), "Third");
}

TEST_F(DocumentTest, ConfirmSaveBeforeStore)
{
    const auto path = makeProject("Plant");
    TarnDoc doc(m_sink, m_prompts);
    ASSERT_TRUE(doc.openDocument(path.string()));
    int saves = 0;
    bool saveGoesThrough = true;
    const auto save = [&] {
        ++saves;
        return saveGoesThrough && doc.saveDocument(doc.path()).ok;
    };
    EXPECT_TRUE(doc.confirmSaveBeforeStore(save)); // not modified: no question
    EXPECT_TRUE(m_prompts.questions.empty());

    doc.setModified();
    m_prompts.answers = {MessageAnswer::cancel, MessageAnswer::no, MessageAnswer::yes,
                         MessageAnswer::yes};
    EXPECT_FALSE(doc.confirmSaveBeforeStore(save));
    EXPECT_EQ(m_prompts.questions.back().text,
              "Save changes to Plant.zavproj before selecting a file to store?");
    EXPECT_TRUE(doc.confirmSaveBeforeStore(save));
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(saves, 0);
    // Yes with a save that does not go through (cancelled or failed) stops the store.
    saveGoesThrough = false;
    EXPECT_FALSE(doc.confirmSaveBeforeStore(save));
    EXPECT_TRUE(doc.isModified());
    saveGoesThrough = true;
    EXPECT_TRUE(doc.confirmSaveBeforeStore(save));
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(saves, 2);
}

// The new site's next group is 1: chosen groups 0 and 1 give the primary gateway group 1, as
// older project files have it; from group 2 on it takes the chosen group. Address words worked
// by hand: group in bits 6-15, node 0. Opening a file applies the site again, which puts a
// gateway at its site's first group + its number - 1: group 0 for the primary gateway of a
// site whose first group is 0, as the older tools do on opening such a file.
TEST_F(DocumentTest, NewProjectGivesThePrimaryGatewayItsGroup)
{
    struct Case {
        uint16_t chosen;
        uint16_t address;   // as made, and as saved
        uint16_t nextGroup; // after the primary gateway
        uint16_t reopened;  // once the file is opened and its site applied
    };
    const Case cases[] = {{0, 0x0040, 2, 0x0000},
                          {1, 0x0040, 2, 0x0040},
                          {2, 0x0080, 3, 0x0080},
                          {999, 0xF9C0, 1000, 0xF9C0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        TarnDoc doc(m_sink, m_prompts);
        NewProjectValues values;
        values.name = "Group";
        values.folder = m_dir.string();
        values.group = c.chosen;
        values.gateway = NewGatewayValues{};
        ASSERT_TRUE(doc.createProject(values));
        ASSERT_EQ(doc.nodes().size(), 2u);
        EXPECT_EQ(doc.nodes()[1]->getAddress(), c.address);
        EXPECT_EQ(doc.root()->activeSite()->getFirstGroup(), c.chosen);
        EXPECT_EQ(doc.root()->activeSite()->getNextGroup(), c.nextGroup);

        TarnDoc saved(m_sink, m_prompts);
        ASSERT_TRUE(saved.openDocument((m_dir / "Group.zavproj").string()));
        ASSERT_EQ(saved.nodes().size(), 2u);
        EXPECT_EQ(saved.nodes()[1]->getAddress(), c.address);
        EXPECT_EQ(saved.nodes()[1]->getGroupAddress(), c.address);
        EXPECT_EQ(saved.root()->activeSite()->getNextGroup(), c.nextGroup);
        saved.linkAfterLoad();
        EXPECT_EQ(saved.nodes()[1]->getAddress(), c.reopened);
    }
}
