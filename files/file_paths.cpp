#include "files/file_paths.h"

namespace tavolo {

std::string_view fileExtension(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart)
        return {};
    return path.substr(dot);
}

bool isXmlPath(std::string_view path)
{
    return fileExtension(path) == ".xml";
}

bool isCsvPath(std::string_view path)
{
    return fileExtension(path) == ".csv";
}

std::string bitmapPathFor(std::string_view path)
{
    const std::string_view extension = fileExtension(path);
    if (extension == ".bmp")
        return std::string(path);
    std::string result(path.substr(0, path.size() - extension.size()));
    result += ".bmp";
    return result;
}

}  // namespace tavolo
