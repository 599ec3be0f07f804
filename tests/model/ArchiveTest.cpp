#include "model/Archive.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quillan;

namespace {

class Alpha : public Serializable {
    QUILLAN_SERIAL(Alpha)
public:
    uint32_t value = 0;
    uint32_t schemaSeen = 0;
    void serialize(Archive& ar) override
    {
        if (ar.isLoading()) {
            schemaSeen = ar.getObjectSchema();
        }
        ar.io(value);
    }
};

class Beta : public Serializable {
    QUILLAN_SERIAL(Beta)
public:
    std::string name;
    std::vector<std::unique_ptr<Alpha>> children;
    void serialize(Archive& ar) override
    {
        ar.io(name);
        ar.ioObjects(children);
    }
};

class AlphaChild : public Alpha {
    QUILLAN_SERIAL(AlphaChild)
};

class Holder : public Serializable {
    QUILLAN_SERIAL(Holder)
public:
    std::unique_ptr<Serializable> inner;
    void serialize(Archive& ar) override
    {
        if (ar.isStoring()) {
            ar.writeObject(inner.get());
        } else {
            inner = ar.readObject();
        }
    }
};

QUILLAN_IMPLEMENT_SERIAL(Alpha, Serializable)
QUILLAN_IMPLEMENT_SERIAL(Holder, Serializable)
QUILLAN_IMPLEMENT_SERIAL(Beta, Serializable)
QUILLAN_IMPLEMENT_SERIAL(AlphaChild, Alpha)

const ClassRegistry& registry()
{
    static const ClassRegistry r = [] {
        ClassRegistry reg;
        reg.add(Alpha::classInfo);
        reg.add(Beta::classInfo);
        reg.add(AlphaChild::classInfo);
        reg.add(Holder::classInfo);
        return reg;
    }();
    return r;
}

std::vector<uint8_t> store(const std::function<void(Archive&)>& write)
{
    MemorySink sink;
    Archive ar(sink, registry());
    write(ar);
    ar.close();
    return sink.bytes();
}

std::vector<uint8_t> bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> classRecord(const std::string& name)
{
    auto out = bytes({0xFF, 0xFF, 0x01, 0x00, static_cast<int>(name.size()), 0x00});
    out.insert(out.end(), name.begin(), name.end());
    return out;
}

ArchiveCause loadFailure(const std::vector<uint8_t>& data,
                         const std::function<void(Archive&)>& read)
{
    MemorySource source(data);
    Archive ar(source, registry());
    try {
        read(ar);
    } catch (const ArchiveError& e) {
        return e.cause();
    }
    ADD_FAILURE() << "no failure";
    return ArchiveCause::generic;
}

} // namespace

struct PrefixCase {
    const char* label;
    std::function<void(Archive&)> write;
    std::vector<uint8_t> prefix; // the bytes that must open the stream
    size_t totalSize;
};

class ArchiveEncoding : public testing::TestWithParam<PrefixCase> {};

TEST_P(ArchiveEncoding, WritesThePrefixAndReadsBack)
{
    const auto& c = GetParam();
    const auto data = store(c.write);
    ASSERT_EQ(data.size(), c.totalSize);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + c.prefix.size()), c.prefix);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, ArchiveEncoding,
    testing::Values(
        PrefixCase{"empty string", [](Archive& a) { a.writeString(""); }, bytes({0}), 1},
        PrefixCase{"254 chars", [](Archive& a) { a.writeString(std::string(254, 'x')); },
                   bytes({254}), 255},
        PrefixCase{"255 chars", [](Archive& a) { a.writeString(std::string(255, 'x')); },
                   bytes({0xFF, 0xFF, 0x00}), 258},
        PrefixCase{"65533 chars", [](Archive& a) { a.writeString(std::string(65533, 'x')); },
                   bytes({0xFF, 0xFD, 0xFF}), 65536},
        PrefixCase{"65534 chars", [](Archive& a) { a.writeString(std::string(65534, 'x')); },
                   bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}), 65541},
        PrefixCase{"count 0xFFFE", [](Archive& a) { a.writeCount(0xFFFE); }, bytes({0xFE, 0xFF}),
                   2},
        PrefixCase{"count 0xFFFF", [](Archive& a) { a.writeCount(0xFFFF); },
                   bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}), 6},
        PrefixCase{"little endian", [](Archive& a) { a.writeU32(0x01020304); a.writeF32(1.0f); },
                   bytes({4, 3, 2, 1, 0x00, 0x00, 0x80, 0x3F}), 8},
        PrefixCase{"bool8", [](Archive& a) { a.writeBool(true); a.writeBool(false); },
                   bytes({1, 0}), 2}),
    [](const auto& p) {
        std::string name = p.param.label;
        for (auto& ch : name) {
            if (!isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

TEST(Archive, StringsAndCountsReadBackAtEveryPrefixWidth)
{
    const std::vector<size_t> lengths = {0, 1, 254, 255, 65533, 65534, 70000};
    const auto data = store([&](Archive& a) {
        for (size_t n : lengths) {
            a.writeString(std::string(n, 'q'));
            a.writeCount(n);
        }
    });
    MemorySource source(data);
    Archive ar(source, registry());
    for (size_t n : lengths) {
        EXPECT_EQ(ar.readString().size(), n);
        EXPECT_EQ(ar.readCount(0), n);
    }
}

TEST(Archive, WideStringBecomesEightBitText)
{
    // 0xFF 0xFFFE marks UTF-16; then the usual length prefix counts code units.
    const auto data = bytes({0xFF, 0xFE, 0xFF, 3, 'G', 0, 0xE9, 0, 0x03, 0x26});
    MemorySource source(data);
    Archive ar(source, registry());
    EXPECT_EQ(ar.readString(), "G\xE9?");
}

TEST(Archive, ObjectTagsNumberClassesAndObjectsWithOneCounter)
{
    Alpha a1;
    a1.value = 7;
    Beta b;
    b.name = "b";
    Alpha a2;
    a2.value = 9;
    const auto data = store([&](Archive& ar) {
        ar.writeObject(&a1); // class 1, object 2
        ar.writeObject(&b);  // class 3, object 4
        ar.writeObject(&a2); // object 5 of class 1
        ar.writeObject(&a1); // reference to object 2
        ar.writeObject(nullptr);
    });
    const auto expected = classRecord("Alpha") + bytes({7, 0, 0, 0}) + classRecord("Beta") +
                          bytes({1, 'b', 0, 0}) + bytes({0x01, 0x80, 9, 0, 0, 0}) +
                          bytes({0x02, 0x00}) + bytes({0x00, 0x00});
    EXPECT_EQ(data, expected);
}

TEST(Archive, ObjectsReadBackWithSchemaAndSubclasses)
{
    Beta b;
    b.name = "parent";
    b.children.push_back(std::make_unique<Alpha>());
    b.children.push_back(nullptr);
    b.children.push_back(std::make_unique<AlphaChild>());
    b.children.back()->value = 42;
    const auto data = store([&](Archive& ar) { ar.writeObject(&b); });

    MemorySource source(data);
    Archive ar(source, registry());
    auto read = ar.readObjectAs<Beta>();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->name, "parent");
    ASSERT_EQ(read->children.size(), 3u);
    EXPECT_EQ(read->children[1], nullptr);
    EXPECT_EQ(read->children[2]->getRuntimeClass().name, std::string("AlphaChild"));
    EXPECT_EQ(read->children[2]->value, 42u);
    EXPECT_EQ(read->children[0]->schemaSeen, 1u);
    EXPECT_EQ(ar.getObjectSchema(), 0xFFFFFFFFu); // taken once only
}

TEST(Archive, VersionedClassHandsItsStreamSchemaToObjects)
{
    auto data = classRecord("Alpha") + bytes({5, 0, 0, 0});
    data[2] = 2; // schema 2 in the stream
    MemorySource source(data);
    Archive ar(source, registry());
    auto a = ar.readObjectAs<Alpha>();
    EXPECT_EQ(a->schemaSeen, 2u);
}

TEST(Archive, MalformedStreamsFailWithTheirCause)
{
    const auto good = store([](Archive& ar) {
        Beta b;
        b.name = "x";
        b.children.push_back(std::make_unique<Alpha>());
        ar.writeObject(&b);
    });
    auto readBeta = [](Archive& ar) { (void)ar.readObjectAs<Beta>(); };

    // Truncation anywhere.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const std::vector<uint8_t> shortData(good.begin(), good.begin() + cut);
        EXPECT_EQ(loadFailure(shortData, readBeta), ArchiveCause::endOfFile) << "cut at " << cut;
    }

    struct Case {
        const char* label;
        std::vector<uint8_t> data;
        std::function<void(Archive&)> read;
        ArchiveCause cause;
    };
    const std::vector<Case> cases = {
        {"unknown class", classRecord("Gamma") + bytes({0, 0, 0, 0}), readBeta,
         ArchiveCause::badClass},
        {"class name of 64 bytes", classRecord(std::string(64, 'A')), readBeta,
         ArchiveCause::badClass},
        {"unexpected class", classRecord("Alpha") + bytes({0, 0, 0, 0}), readBeta,
         ArchiveCause::badClass},
        {"reference to a class index",
         classRecord("Alpha") + bytes({1, 0, 0, 0}) + bytes({0x01, 0x00}),
         [](Archive& ar) {
             (void)ar.readObject();
             (void)ar.readObject();
         },
         ArchiveCause::badIndex},
        {"reference beyond the table", bytes({0x05, 0x00}), readBeta, ArchiveCause::badIndex},
        {"class index 0", bytes({0x00, 0x80}), readBeta, ArchiveCause::badIndex},
        {"class index naming an object",
         classRecord("Alpha") + bytes({1, 0, 0, 0}) + bytes({0x02, 0x80}),
         [](Archive& ar) {
             (void)ar.readObject();
             (void)ar.readObject();
         },
         ArchiveCause::badIndex},
        {"second reference to an object",
         classRecord("Alpha") + bytes({1, 0, 0, 0}) + bytes({0x02, 0x00}),
         [](Archive& ar) {
             (void)ar.readObject();
             (void)ar.readObject();
         },
         ArchiveCause::badIndex},
        {"string longer than the file", bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
         [](Archive& ar) { (void)ar.readString(); }, ArchiveCause::endOfFile},
        {"64-bit string length", bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80,
                                        0, 0, 0, 0}),
         [](Archive& ar) { (void)ar.readString(); }, ArchiveCause::generic},
        {"count larger than the file", bytes({0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}),
         [](Archive& ar) { (void)ar.readCount(); }, ArchiveCause::endOfFile},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loadFailure(c.data, c.read), c.cause) << c.label;
    }
}

TEST(Archive, WrongDirectionIsRefused)
{
    MemorySink sink;
    Archive storing(sink, registry());
    EXPECT_THROW((void)storing.readU8(), ArchiveError);
    const std::vector<uint8_t> data{1};
    MemorySource source(data);
    Archive loading(source, registry());
    try {
        loading.writeU8(1);
        FAIL();
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.cause(), ArchiveCause::readOnly);
    }
}

TEST(Archive, DeepNestingIsRefused)
{
    // Holders nest without limit in the format; the reader stops long before the stack does.
    std::vector<uint8_t> data = classRecord("Holder");
    for (int i = 0; i < 10000; ++i) {
        data = data + bytes({0x01, 0x80});
    }
    data = data + bytes({0x00, 0x00});
    EXPECT_EQ(loadFailure(data, [](Archive& ar) { (void)ar.readObject(); }),
              ArchiveCause::generic);
}
