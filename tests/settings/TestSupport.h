#pragma once

#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <string>

namespace quillan::test {

inline std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Prints a case as its label, so the names CTest discovers stay short and stable. Test
// files bring it into the namespace of their cases with a using-declaration.
template <class Case>
requires requires(const Case& c)
{
    c.label;
}
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.label;
}

// Names parameterised cases after their label field.
struct CaseLabel {
    template <class Case> std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return info.param.label;
    }
};

} // namespace quillan::test
