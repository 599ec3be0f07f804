#include "document/ProjectPath.h"

#include "model/Text.h"

namespace quillan {

SplitPath splitPath(std::string_view path)
{
    const auto cut = path.find_last_of("\\/");
    if (cut == std::string_view::npos) {
        return {{}, std::string(path)};
    }
    return {std::string(path.substr(0, cut + 1)), std::string(path.substr(cut + 1))};
}

std::string toModelText(const std::string& nativeText)
{
#ifdef _WIN32
    return nativeText;
#else
    return utf8ToCp1252(nativeText);
#endif
}

std::string toNativeText(const std::string& modelText)
{
#ifdef _WIN32
    return modelText;
#else
    return cp1252ToUtf8(modelText);
#endif
}

std::string stripExtension(std::string_view fileName)
{
    const auto dot = fileName.find_last_of('.');
    return std::string(dot == std::string_view::npos ? fileName : fileName.substr(0, dot));
}

std::string withTrailingSeparator(std::string_view folder)
{
    std::string result(folder);
    if (!result.empty() && result.back() != '\\' && result.back() != '/') {
        result += kPathSeparator;
    }
    return result;
}

} // namespace quillan
