#pragma once

#include <string>

#include "files/file_result.h"
#include "files/output_buffer.h"
#include "record/reading_table.h"

// Writing the XML data packet (layout in xml_packet_format.h). Text values are
// written as stored with < > & ' " CR LF TAB and backslash replaced by &lt; &gt;
// &amp; &apos; &quot; &#013; &#010; &#009; &#092;.
namespace tavolo {

// Writes the whole packet to `out`. The table is not changed.
void writeXmlPacket(const ReadingTable& table, OutputBuffer& out);

// Saves the table to `path`, replacing the file in one step (replace_file.h).
// Success has an empty message; failure gives
// "Cannot create file "<path>". <reason>" and leaves the old file untouched.
FileResult SaveTableXml(const ReadingTable& table, const std::string& path);

}  // namespace tavolo
