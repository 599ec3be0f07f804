#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace quillan {

class Archive;
class Serializable;

// What the archive knows of a persisted class: its name in the file, its schema number, its
// base class and a factory for the empty object that reading fills in.
struct ClassInfo {
    const char* name;
    uint16_t schema;
    const ClassInfo* base;
    std::unique_ptr<Serializable> (*create)();

    [[nodiscard]] bool isDerivedFrom(const ClassInfo& other) const;
};

class Serializable {
public:
    static const ClassInfo classInfo;

    virtual ~Serializable() = default;
    [[nodiscard]] virtual const ClassInfo& getRuntimeClass() const = 0;
    virtual void serialize(Archive& ar) = 0;

    [[nodiscard]] bool isKindOf(const ClassInfo& info) const
    {
        return getRuntimeClass().isDerivedFrom(info);
    }
};

// Maps class names, as they stand in a file, to classes. Names are case-sensitive.
class ClassRegistry {
public:
    void add(const ClassInfo& info) { m_classes[info.name] = &info; }
    [[nodiscard]] const ClassInfo* find(std::string_view name) const;

private:
    std::map<std::string, const ClassInfo*, std::less<>> m_classes;
};

} // namespace quillan

// Declares the runtime class of a persisted class (inside the class body).
#define QUILLAN_SERIAL(Class)                                                                    \
public:                                                                                          \
    static const ::quillan::ClassInfo classInfo;                                                 \
    [[nodiscard]] const ::quillan::ClassInfo& getRuntimeClass() const override                   \
    {                                                                                            \
        return classInfo;                                                                        \
    }

// Defines the runtime class of a persisted class (in its source file); schema 1 for all.
#define QUILLAN_IMPLEMENT_SERIAL(Class, Base)                                                    \
    const ::quillan::ClassInfo Class::classInfo{                                                 \
        #Class, 1, &Base::classInfo,                                                             \
        []() -> std::unique_ptr<::quillan::Serializable> { return std::make_unique<Class>(); }};

// An abstract persisted class: known to the registry as a base, never made by a factory.
#define QUILLAN_IMPLEMENT_SERIAL_BASE(Class, Base)                                               \
    const ::quillan::ClassInfo Class::classInfo{#Class, 1, &Base::classInfo, nullptr};
