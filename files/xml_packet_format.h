#pragma once

#include <string>
#include <string_view>

// The XML data packet as this program writes it: one line of 8-bit text,
//
//   <?xml version="1.0" standalone="yes"?>␠␠<DATAPACKET Version="2.0">
//     <METADATA><FIELDS><FIELD attrname="No" fieldtype="i4"/>... seven fields
//     </FIELDS><PARAMS CHANGE_LOG="1 0 4 2 0 4"/></METADATA>
//     <ROWDATA><ROW RowState="4" No="1" time="10:15:07" DC/AC="DC" .../></ROWDATA>
//   </DATAPACKET>
//
// with no line breaks at all. Empty fields have no attribute; an empty change
// record gives a bare <PARAMS/>.
namespace tavolo {

inline constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" standalone=\"yes\"?>";
inline constexpr std::string_view kXmlDeclarationUtf8 =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";

// The attribute name of a field: space ( ) # * ! $ % ? become "_"; the slash
// stays, so "DC/AC" is written as is. When it differs from the name, the name
// goes into an extra fieldname attribute.
std::string packetAttrName(std::string_view fieldName);

}  // namespace tavolo
