#pragma once

#include "model/ByteStream.h"
#include "model/PointerIndex.h"
#include "model/Serializable.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillan {

enum class ArchiveCause {
    generic,
    readOnly,   // a value was written while loading
    endOfFile,  // the stream ended before the bytes a read needs
    writeOnly,  // a value was read while storing
    badIndex,   // object or class index out of range or of the wrong kind; table overflow
    badClass,   // class name unknown or too long, or object not of the expected class
    badSchema,  // schema mismatch for a class that is not versionable
};

[[nodiscard]] const char* archiveCauseName(ArchiveCause cause);

// The one failure type of project-file reading and writing.
class ArchiveError : public std::exception {
public:
    ArchiveError(ArchiveCause cause, std::string detail);
    [[nodiscard]] ArchiveCause cause() const { return m_cause; }
    [[nodiscard]] const char* what() const noexcept override { return m_message.c_str(); }

private:
    ArchiveCause m_cause;
    std::string m_message;
};

// The binary object stream of the project file: little-endian primitives, length-prefixed
// strings, counts, and objects with class records and a shared class/object index table.
class Archive {
public:
    Archive(ByteSink& sink, const ClassRegistry& registry);
    Archive(ByteSource& source, const ClassRegistry& registry);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    [[nodiscard]] bool isStoring() const { return m_sink != nullptr; }
    [[nodiscard]] bool isLoading() const { return m_source != nullptr; }

    void writeU8(uint8_t v);
    void writeI8(int8_t v) { writeU8(static_cast<uint8_t>(v)); }
    void writeBool(bool v) { writeU8(v ? 1 : 0); }
    void writeU16(uint16_t v);
    void writeI16(int16_t v) { writeU16(static_cast<uint16_t>(v)); }
    void writeU32(uint32_t v);
    void writeI32(int32_t v) { writeU32(static_cast<uint32_t>(v)); }
    void writeU64(uint64_t v);
    void writeF32(float v);
    void writeF64(double v);

    [[nodiscard]] uint8_t readU8();
    [[nodiscard]] int8_t readI8() { return static_cast<int8_t>(readU8()); }
    [[nodiscard]] bool readBool() { return readU8() != 0; }
    [[nodiscard]] uint16_t readU16();
    [[nodiscard]] int16_t readI16() { return static_cast<int16_t>(readU16()); }
    [[nodiscard]] uint32_t readU32();
    [[nodiscard]] int32_t readI32() { return static_cast<int32_t>(readU32()); }
    [[nodiscard]] uint64_t readU64();
    [[nodiscard]] float readF32();
    [[nodiscard]] double readF64();

    void writeString(const std::string& text);
    [[nodiscard]] std::string readString();

    void writeCount(uint64_t count);
    // Fails with endOfFile when the stream cannot hold that many elements of at least
    // minElementBytes each.
    [[nodiscard]] uint32_t readCount(uint32_t minElementBytes = 1);

    void writeObject(const Serializable* object);
    // Reads an object that the caller will own. A reference to an object read earlier is
    // refused with badIndex: every object of a project has exactly one owner.
    [[nodiscard]] std::unique_ptr<Serializable> readObject(const ClassInfo* expected = nullptr);

    template <class T>
    [[nodiscard]] std::unique_ptr<T> readObjectAs()
    {
        auto object = readObject(&T::classInfo);
        return std::unique_ptr<T>(static_cast<T*>(object.release()));
    }

    // The schema the stream gave for the object being read, once; 0xFFFFFFFF afterwards.
    [[nodiscard]] uint32_t getObjectSchema();

    // Flushes what was written.
    void close();

    // Entries of the class/object index table so far, the null entry included.
    [[nodiscard]] uint32_t tableCount() const { return m_tableCount; }
    // How many classes and objects a store is likely to write (a project's last load or
    // save knows), so the index is sized once.
    void expectObjects(size_t count) { m_storeTable.reserve(count); }

    // Symmetric field transfer: writes when storing, reads when loading.
    void io(uint8_t& v) { isStoring() ? writeU8(v) : void(v = readU8()); }
    void io(int8_t& v) { isStoring() ? writeI8(v) : void(v = readI8()); }
    void io(uint16_t& v) { isStoring() ? writeU16(v) : void(v = readU16()); }
    void io(int16_t& v) { isStoring() ? writeI16(v) : void(v = readI16()); }
    void io(uint32_t& v) { isStoring() ? writeU32(v) : void(v = readU32()); }
    void io(int32_t& v) { isStoring() ? writeI32(v) : void(v = readI32()); }
    void io(float& v) { isStoring() ? writeF32(v) : void(v = readF32()); }
    void io(double& v) { isStoring() ? writeF64(v) : void(v = readF64()); }
    void io(std::string& v) { isStoring() ? writeString(v) : void(v = readString()); }
    void ioBool(bool& v) { isStoring() ? writeBool(v) : void(v = readBool()); }
    // bool kept as a 32-bit truth value.
    void ioBool32(bool& v) { isStoring() ? writeU32(v ? 1 : 0) : void(v = readU32() != 0); }

    // A counted list of owned objects of class T (elements may be null).
    template <class T>
    void ioObjects(std::vector<std::unique_ptr<T>>& list)
    {
        if (isStoring()) {
            writeCount(list.size());
            for (const auto& element : list) {
                writeObject(element.get());
            }
        } else {
            list.clear();
            const uint32_t count = readCount(2);
            list.reserve(count);
            for (uint32_t i = 0; i < count; ++i) {
                list.push_back(readObjectAs<T>());
            }
        }
    }

private:
    // Most writes are a few bytes into a buffer with room; only the rest take the long way.
    void writeBytes(const void* data, size_t count)
    {
        if (m_sink != nullptr && count <= m_buffer.size() - m_bufferPosition) {
            std::memcpy(m_buffer.data() + m_bufferPosition, data, count);
            m_bufferPosition += count;
            return;
        }
        writeBytesThroughBuffer(data, count);
    }
    void writeBytesThroughBuffer(const void* data, size_t count);
    void readBytes(void* data, size_t count);
    void flushBuffer();
    void fillBuffer();
    [[nodiscard]] uint64_t bytesLeft() const;
    uint64_t readStringLength(bool& wide);
    void writeClassRecord(const ClassInfo& info);
    const ClassInfo& readClassRecord();
    void checkTableSpace() const;
    void requireStoring() const;
    void requireLoading() const;

    ByteSink* m_sink = nullptr;
    ByteSource* m_source = nullptr;
    const ClassRegistry& m_registry;

    std::array<uint8_t, 4096> m_buffer{};
    size_t m_bufferPosition = 0;
    size_t m_bufferFill = 0;
    uint64_t m_consumed = 0; // bytes taken from the source into the buffer

    // Index table; index 0 is null. Writers map pointers to indexes, readers keep per index
    // the class it holds (or none, for an object).
    uint32_t m_tableCount = 1;
    PointerIndex m_storeTable;
    std::vector<const ClassInfo*> m_loadClasses;
    std::unordered_map<const ClassInfo*, uint32_t> m_streamSchemas;
    uint32_t m_currentSchema = 0xFFFFFFFF;
    int m_depth = 0;
};

} // namespace quillan
