#pragma once

#include <string>
#include <string_view>

// Path rules shared by the save and open actions and the bitmap export.
// Pure functions on the path text; they never touch the file system.
namespace tavolo {

// The part of the file name from its last dot ("data.xls" -> ".xls"); empty when
// the name has no dot. Dots in folder names do not count.
std::string_view fileExtension(std::string_view path);

// True when the extension is exactly ".xml" (case-sensitive): the XML data
// packet. Every other name, "data.XML" included, is tab-separated text.
bool isXmlPath(std::string_view path);

// True when the extension is exactly ".csv", case-sensitive like ".xml": the
// CSV file. "data.CSV" stays tab-separated text, as it was before CSV existed.
bool isCsvPath(std::string_view path);

// The name a chart bitmap is written to: unchanged when the extension is exactly
// ".bmp"; any other extension (".png", ".BMP", a bare ".") is replaced by ".bmp",
// and a name without one gets ".bmp" added.
std::string bitmapPathFor(std::string_view path);

}  // namespace tavolo
