#include "document/ProjectPath.h"

namespace quillan {

SplitPath splitPath(std::string_view path)
{
    const auto cut = path.find_last_of("\\/");
    if (cut == std::string_view::npos) {
        return {{}, std::string(path)};
    }
    return {std::string(path.substr(0, cut + 1)), std::string(path.substr(cut + 1))};
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
