#include "model/Archive.h"

#include "model/Bytes.h"
#include "model/Text.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quillan {

namespace {

constexpr uint16_t kNullTag = 0x0000;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint32_t kBigClassTag = 0x80000000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kMaxMapCount = 0x3FFFFFFE;
constexpr uint16_t kMaxClassNameLength = 64;
// Objects of this program nest four deep at most (document, gateway, module, point); the
// limit keeps a hostile file from exhausting the stack.
constexpr int kMaxDepth = 64;

} // namespace

bool ClassInfo::isDerivedFrom(const ClassInfo& other) const
{
    for (const ClassInfo* c = this; c != nullptr; c = c->base) {
        if (c == &other) {
            return true;
        }
    }
    return false;
}

const ClassInfo Serializable::classInfo{"Serializable", 1, nullptr, nullptr};

const ClassInfo* ClassRegistry::find(std::string_view name) const
{
    const auto it = m_classes.find(name);
    return it == m_classes.end() ? nullptr : it->second;
}

const char* archiveCauseName(ArchiveCause cause)
{
    switch (cause) {
    case ArchiveCause::generic:
        return "generic";
    case ArchiveCause::readOnly:
        return "readOnly";
    case ArchiveCause::endOfFile:
        return "endOfFile";
    case ArchiveCause::writeOnly:
        return "writeOnly";
    case ArchiveCause::badIndex:
        return "badIndex";
    case ArchiveCause::badClass:
        return "badClass";
    case ArchiveCause::badSchema:
        return "badSchema";
    }
    return "unknown";
}

ArchiveError::ArchiveError(ArchiveCause cause, std::string detail)
    : m_cause(cause), m_message(std::string(archiveCauseName(cause)) + ": " + detail)
{
}

Archive::Archive(ByteSink& sink, const ClassRegistry& registry)
    : m_sink(&sink), m_registry(registry)
{
}

Archive::Archive(ByteSource& source, const ClassRegistry& registry)
    : m_source(&source), m_registry(registry)
{
    // One entry per object read: room for the file's worth up front spares the copies of a
    // growing table (objects take well over 16 bytes each; a damaged size claims no more than
    // the cap).
    constexpr uint64_t kBytesPerObject = 16;
    constexpr uint64_t kMostReserved = uint64_t{1} << 22;
    m_loadClasses.reserve(
        static_cast<size_t>(std::min(source.size() / kBytesPerObject, kMostReserved)) + 1);
    m_loadClasses.push_back(nullptr); // index 0: null
}

Archive::~Archive() = default;

void Archive::requireStoring() const
{
    if (!isStoring()) {
        throw ArchiveError(ArchiveCause::readOnly, "write while loading");
    }
}

void Archive::requireLoading() const
{
    if (!isLoading()) {
        throw ArchiveError(ArchiveCause::writeOnly, "read while storing");
    }
}

void Archive::flushBuffer()
{
    if (m_bufferPosition > 0 && !m_sink->write(m_buffer.data(), m_bufferPosition)) {
        throw ArchiveError(ArchiveCause::generic, "the file could not be written");
    }
    m_bufferPosition = 0;
}

void Archive::fillBuffer()
{
    m_bufferFill = m_source->read(m_buffer.data(), m_buffer.size());
    m_bufferPosition = 0;
    m_consumed += m_bufferFill;
}

uint64_t Archive::bytesLeft() const
{
    const uint64_t total = m_source->size();
    const uint64_t unread = total > m_consumed ? total - m_consumed : 0;
    return unread + (m_bufferFill - m_bufferPosition);
}

void Archive::writeBytesThroughBuffer(const void* data, size_t count)
{
    requireStoring();
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (count > 0) {
        if (m_bufferPosition == m_buffer.size()) {
            flushBuffer();
        }
        const size_t n = std::min(count, m_buffer.size() - m_bufferPosition);
        std::memcpy(m_buffer.data() + m_bufferPosition, bytes, n);
        m_bufferPosition += n;
        bytes += n;
        count -= n;
    }
}

void Archive::readBytes(void* data, size_t count)
{
    requireLoading();
    auto* bytes = static_cast<uint8_t*>(data);
    while (count > 0) {
        if (m_bufferPosition == m_bufferFill) {
            fillBuffer();
            if (m_bufferFill == 0) {
                throw ArchiveError(ArchiveCause::endOfFile, "the file ends early");
            }
        }
        const size_t n = std::min(count, m_bufferFill - m_bufferPosition);
        std::memcpy(bytes, m_buffer.data() + m_bufferPosition, n);
        m_bufferPosition += n;
        bytes += n;
        count -= n;
    }
}

void Archive::writeU8(uint8_t v)
{
    writeBytes(&v, 1);
}

void Archive::writeU16(uint16_t v)
{
    uint8_t b[2];
    bytes::putU16(b, v);
    writeBytes(b, 2);
}

void Archive::writeU32(uint32_t v)
{
    uint8_t b[4];
    bytes::putU32(b, v);
    writeBytes(b, 4);
}

void Archive::writeU64(uint64_t v)
{
    uint8_t b[8];
    bytes::putU64(b, v);
    writeBytes(b, 8);
}

void Archive::writeF32(float v)
{
    writeU32(std::bit_cast<uint32_t>(v));
}

void Archive::writeF64(double v)
{
    writeU64(std::bit_cast<uint64_t>(v));
}

uint8_t Archive::readU8()
{
    uint8_t v = 0;
    readBytes(&v, 1);
    return v;
}

uint16_t Archive::readU16()
{
    uint8_t b[2];
    readBytes(b, 2);
    return bytes::getU16(b);
}

uint32_t Archive::readU32()
{
    uint8_t b[4];
    readBytes(b, 4);
    return bytes::getU32(b);
}

uint64_t Archive::readU64()
{
    uint8_t b[8];
    readBytes(b, 8);
    return bytes::getU64(b);
}

float Archive::readF32()
{
    return std::bit_cast<float>(readU32());
}

double Archive::readF64()
{
    return std::bit_cast<double>(readU64());
}

void Archive::writeString(const std::string& text)
{
    requireStoring();
    const uint64_t n = text.size();
    if (n < 0xFF) {
        writeU8(static_cast<uint8_t>(n));
    } else {
        writeU8(0xFF);
        if (n < 0xFFFE) {
            writeU16(static_cast<uint16_t>(n));
        } else {
            writeU16(0xFFFF);
            if (n < 0xFFFFFFFF) {
                writeU32(static_cast<uint32_t>(n));
            } else {
                writeU32(0xFFFFFFFF);
                writeU64(n);
            }
        }
    }
    writeBytes(text.data(), text.size());
}

uint64_t Archive::readStringLength(bool& wide)
{
    wide = false;
    for (;;) {
        const uint8_t b = readU8();
        if (b < 0xFF) {
            return b;
        }
        const uint16_t w = readU16();
        if (w == 0xFFFE) {
            wide = true; // the length that follows counts UTF-16 code units
            continue;
        }
        if (w < 0xFFFF) {
            return w;
        }
        const uint32_t d = readU32();
        if (d < 0xFFFFFFFF) {
            return d;
        }
        const uint64_t q = readU64();
        if (q > 0x7FFFFFFF) {
            throw ArchiveError(ArchiveCause::generic, "string length out of range");
        }
        return q;
    }
}

std::string Archive::readString()
{
    requireLoading();
    bool wide = false;
    const uint64_t n = readStringLength(wide);
    const uint64_t bytes = wide ? n * 2 : n;
    if (bytes > bytesLeft()) {
        throw ArchiveError(ArchiveCause::endOfFile, "string longer than the rest of the file");
    }
    if (!wide) {
        std::string text(static_cast<size_t>(n), '\0');
        readBytes(text.data(), text.size());
        return text;
    }
    std::u16string units(static_cast<size_t>(n), u'\0');
    for (auto& unit : units) {
        unit = readU16();
    }
    return utf16ToCp1252(units);
}

void Archive::writeCount(uint64_t count)
{
    if (count < 0xFFFF) {
        writeU16(static_cast<uint16_t>(count));
    } else {
        writeU16(0xFFFF);
        writeU32(static_cast<uint32_t>(count));
    }
}

uint32_t Archive::readCount(uint32_t minElementBytes)
{
    const uint16_t w = readU16();
    const uint32_t count = w != 0xFFFF ? w : readU32();
    if (static_cast<uint64_t>(count) * minElementBytes > bytesLeft()) {
        throw ArchiveError(ArchiveCause::endOfFile, "count larger than the rest of the file");
    }
    return count;
}

void Archive::checkTableSpace() const
{
    if (m_tableCount >= kMaxMapCount) {
        throw ArchiveError(ArchiveCause::badIndex, "index table overflow");
    }
}

void Archive::writeClassRecord(const ClassInfo& info)
{
    const auto length = static_cast<uint16_t>(std::strlen(info.name));
    writeU16(kNewClassTag);
    writeU16(info.schema);
    writeU16(length);
    writeBytes(info.name, length);
}

void Archive::writeObject(const Serializable* object)
{
    requireStoring();
    if (object == nullptr) {
        writeU16(kNullTag);
        return;
    }
    if (const std::optional<uint32_t> index = m_storeTable.find(object)) {
        if (*index < kBigObjectTag) {
            writeU16(static_cast<uint16_t>(*index));
        } else {
            writeU16(kBigObjectTag);
            writeU32(*index);
        }
        return;
    }
    const ClassInfo& info = object->getRuntimeClass();
    if (const std::optional<uint32_t> index = m_storeTable.find(&info)) {
        if (*index < kBigObjectTag) {
            writeU16(static_cast<uint16_t>(kClassTag | *index));
        } else {
            writeU16(kBigObjectTag);
            writeU32(kBigClassTag | *index);
        }
    } else {
        writeClassRecord(info);
        checkTableSpace();
        m_storeTable.insert(&info, m_tableCount++);
    }
    checkTableSpace();
    m_storeTable.insert(object, m_tableCount++);
    // The object's own serialize only reads state; storing never modifies it.
    const_cast<Serializable*>(object)->serialize(*this);
}

const ClassInfo& Archive::readClassRecord()
{
    const uint16_t schema = readU16();
    const uint16_t length = readU16();
    if (length >= kMaxClassNameLength) {
        throw ArchiveError(ArchiveCause::badClass, "class name too long");
    }
    std::string name(length, '\0');
    readBytes(name.data(), length);
    const ClassInfo* info = m_registry.find(name);
    if (info == nullptr || info->create == nullptr) {
        throw ArchiveError(ArchiveCause::badClass, "unknown class \"" + name + "\"");
    }
    if (schema != info->schema) {
        // Every class of the program is versionable: the object itself decides what an
        // unknown schema means.
        m_streamSchemas[info] = schema;
    }
    checkTableSpace();
    m_loadClasses.push_back(info);
    ++m_tableCount;
    return *info;
}

std::unique_ptr<Serializable> Archive::readObject(const ClassInfo* expected)
{
    requireLoading();
    const uint16_t w = readU16();
    const uint32_t tag = w == kBigObjectTag
                             ? readU32()
                             : ((static_cast<uint32_t>(w & kClassTag) << 16) | (w & ~kClassTag));

    if ((tag & kBigClassTag) == 0) {
        if (tag >= m_tableCount) {
            throw ArchiveError(ArchiveCause::badIndex, strprintf("object index %u", tag));
        }
        if (tag == 0) {
            return nullptr;
        }
        if (m_loadClasses[tag] != nullptr) {
            throw ArchiveError(ArchiveCause::badIndex,
                               strprintf("index %u names a class, not an object", tag));
        }
        throw ArchiveError(ArchiveCause::badIndex,
                           strprintf("object %u is referred to a second time", tag));
    }

    const ClassInfo* info = nullptr;
    if (w == kNewClassTag) {
        info = &readClassRecord();
    } else {
        const uint32_t classIndex = tag & ~kBigClassTag;
        if (classIndex == 0 || classIndex >= m_tableCount || m_loadClasses[classIndex] == nullptr) {
            throw ArchiveError(ArchiveCause::badIndex, strprintf("class index %u", classIndex));
        }
        info = m_loadClasses[classIndex];
    }
    if (expected != nullptr && !info->isDerivedFrom(*expected)) {
        throw ArchiveError(ArchiveCause::badClass, std::string("a ") + info->name +
                                                       " where a " + expected->name +
                                                       " belongs");
    }
    if (m_depth >= kMaxDepth) {
        throw ArchiveError(ArchiveCause::generic, "objects nested too deeply");
    }

    auto object = info->create();
    checkTableSpace();
    m_loadClasses.push_back(nullptr);
    ++m_tableCount;
    const auto schema = m_streamSchemas.find(info);
    m_currentSchema = schema != m_streamSchemas.end() ? schema->second : info->schema;
    ++m_depth;
    try {
        object->serialize(*this);
    } catch (...) {
        --m_depth;
        throw;
    }
    --m_depth;
    return object;
}

uint32_t Archive::getObjectSchema()
{
    const uint32_t schema = m_currentSchema;
    m_currentSchema = 0xFFFFFFFF;
    return schema;
}

void Archive::close()
{
    if (isStoring()) {
        flushBuffer();
        if (!m_sink->flush()) {
            throw ArchiveError(ArchiveCause::generic, "the file could not be written");
        }
    }
}

} // namespace quillan
