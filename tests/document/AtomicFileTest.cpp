// Saving replaces a file whole or not at all, and leaves nothing else in the folder.
#include "document/AtomicFile.h"

#include "support/TempDir.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace quillan;
using quillan::test::TempDir;

namespace {

std::vector<uint8_t> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The file-size limit of a process that has run out of disk, for the length of a test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

TEST(AtomicFileTest, ReplacesTheFileAndKeepsItsPermissions)
{
    TempDir dir;
    const std::string path = dir.file("Plant.zavproj");
    ASSERT_EQ(writeFileAtomically(path, {1, 2, 3}), "");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const std::vector<uint8_t> next(300000, 0xA5);
    ASSERT_EQ(writeFileAtomically(path, next), "");
    EXPECT_EQ(readAll(path), next);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"Plant.zavproj"});
}

TEST(AtomicFileTest, AFullDiskKeepsThePreviousFileAndLeavesNothingBehind)
{
    TempDir dir;
    const std::string path = dir.file("Plant.zavproj");
    const std::vector<uint8_t> previous(1000, 0x11);
    ASSERT_EQ(writeFileAtomically(path, previous), "");
    std::string error;
    {
        FileSizeLimit full(4096);
        error = writeFileAtomically(path, std::vector<uint8_t>(100000, 0x22));
    }
    EXPECT_NE(error.find("write failed"), std::string::npos) << error;
    EXPECT_EQ(readAll(path), previous);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"Plant.zavproj"});
}

TEST(AtomicFileTest, AFolderThatCannotBeWrittenIsReported)
{
    TempDir dir;
    const std::string path = dir.file("missing/Plant.zavproj");
    const std::string error = writeFileAtomically(path, {1});
    EXPECT_NE(error.find("cannot create a file beside"), std::string::npos) << error;
}

// Contents made while written go through the sink's buffer in pieces of any size: some far
// smaller than the buffer, some straddling its end, some larger than the whole buffer.
TEST(AtomicFileTest, StreamedContentsArriveWholeWhateverTheSizeOfTheirPieces)
{
    TempDir dir;
    const std::string path = dir.file("Plant.zavproj");
    std::vector<uint8_t> expected;
    const std::vector<size_t> pieces = {1, 7, 4096, 262143, 2, 262144, 600000, 3, 0, 131072};
    const std::string error = writeFileAtomically(path, [&](ByteSink& sink) {
        uint8_t next = 0;
        for (const size_t size : pieces) {
            std::vector<uint8_t> piece(size);
            for (uint8_t& byte : piece) {
                byte = next++;
            }
            expected.insert(expected.end(), piece.begin(), piece.end());
            if (!sink.write(piece.data(), piece.size())) {
                return std::string("sink refused");
            }
        }
        return std::string();
    });
    ASSERT_EQ(error, "");
    EXPECT_EQ(readAll(path), expected);
}

TEST(AtomicFileTest, StreamedContentsThatFailKeepThePreviousFile)
{
    TempDir dir;
    const std::string path = dir.file("Plant.zavproj");
    const std::vector<uint8_t> previous(1000, 0x11);
    ASSERT_EQ(writeFileAtomically(path, previous), "");
    const std::vector<uint8_t> half(400000, 0x22);

    // The contents' own failure, after much was written.
    const std::string own = writeFileAtomically(path, [&](ByteSink& sink) {
        (void)sink.write(half.data(), half.size());
        return std::string("objects nested too deeply");
    });
    EXPECT_EQ(own, "objects nested too deeply");

    // A full disk part way: the write's failure is what is reported, not what the contents
    // make of a refused write.
    std::string full;
    {
        FileSizeLimit limit(4096);
        full = writeFileAtomically(path, [&](ByteSink& sink) {
            return sink.write(half.data(), half.size())
                       ? std::string()
                       : std::string("the file could not be written");
        });
    }
    EXPECT_EQ(full.rfind("write failed: File too large", 0), 0u) << full;

    EXPECT_EQ(readAll(path), previous);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"Plant.zavproj"});
}

// A save killed between naming its finished file and the rename leaves that hidden
// intermediate name behind; the next save of the file clears it, and nothing else.
TEST(AtomicFileTest, TheNextSaveClearsAnIntermediateLeftByAKilledOne)
{
    TempDir dir;
    const std::string path = dir.file("Plant.zavproj");
    ASSERT_EQ(writeFileAtomically(path, {1}), "");
    const std::vector<std::string> others = {
        ".Plant.zavproj.AbC123.savingX", ".Plant.zavproj.AbC12.saving",
        ".Other.zavproj.AbC123.saving", "Plant.zavproj.AbC123"};
    std::ofstream(dir.file(".Plant.zavproj.AbC123.saving")) << "left";
    for (const std::string& name : others) {
        std::ofstream(dir.file(name)) << "kept";
    }
    ASSERT_EQ(writeFileAtomically(path, {2}), "");
    EXPECT_EQ(readAll(path), std::vector<uint8_t>{2});
    std::vector<std::string> expected = others;
    expected.push_back("Plant.zavproj");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(dir.path()), expected);
}
