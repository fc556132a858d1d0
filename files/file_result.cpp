#include "files/file_result.h"

#include <cstring>

namespace tavolo {

std::string tabSaveDoneMessage(std::string_view path)
{
    std::string text = "save table to specified file: ";
    text += path;
    text += " Scuss!";
    return text;
}

std::string tabSaveFailedMessage(std::string_view path)
{
    std::string text = "Could not save table to specified file: ";
    text += path;
    return text;
}

std::string cannotCreateFileMessage(std::string_view path, int errorCode)
{
    std::string text = "Cannot create file \"";
    text += path;
    text += "\". ";
    text += std::strerror(errorCode);
    return text;
}

FileResult loadFailure(std::string detail)
{
    FileResult result;
    result.message = std::string(kLoadFailedMessage);
    result.detail = std::move(detail);
    return result;
}

}  // namespace tavolo
