#include "byte_source.h"

namespace tavolo::cli {

std::unique_ptr<ByteSource> openPortSource(const std::string& port, std::string& error)
{
    error = "serial ports are not available in this build (" + port + ")";
    return nullptr;
}

}  // namespace tavolo::cli
