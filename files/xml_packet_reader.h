#pragma once

#include <string>

#include "files/block_input.h"
#include "files/file_result.h"
#include "record/reading_table.h"

// Reading the XML data packet (layout in xml_packet_format.h) with a small strict
// tokenizer of its own: general XML parsers refuse the attribute name DC/AC.
//
// Accepted: the declaration exactly as written, or with encoding="UTF-8" (then
// texts are decoded from UTF-8 to the 8-bit coding: characters up to U+00FF
// become that byte, anything above refuses the file rather than change a value);
// whitespace between tags; attribute values in double or single quotes with the
// references &lt; &gt; &amp; &apos; &quot; and any decimal or hexadecimal
// character reference up to 255; every other byte of a value is taken as it
// stands (as the writer leaves it). DATAPACKET must hold METADATA with FIELDS
// before ROWDATA; elements the packet does not know are skipped whole. Fields
// bind to the table by name (fieldname, else attrname) without regard to letter
// case; No and NVal need an integer type (i1 i2 i4 i8 ui1 ui2 ui4 ui8), the
// others a string type (string, string.uni); extra fields are ignored. RowState
// and CHANGE_LOG (numbers separated by any run of blanks) are restored.
// Refused: anything else, e.g. a byte-order mark, the binary packet form, a
// missing field, a wrong kind, a broken reference, a duplicate attribute, text
// outside tags, an integer that does not fit 32 bits, bytes after the packet.
namespace tavolo {

// Reads a packet from `in` into `fresh`, which must be empty. On failure `fresh`
// holds whatever was read so far and should be dropped.
FileResult readXmlPacket(BlockInput& in, ReadingTable& fresh);

// Replaces the table's rows and change record with the file's. The file is read
// into a new table first: on failure ("Failed to Load File!") the table keeps its
// old rows and recording goes on. The first row becomes the current row.
FileResult LoadTableXml(const std::string& path, ReadingTable& table);

}  // namespace tavolo
