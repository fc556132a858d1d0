#include "files/data_file.h"

#include "files/file_paths.h"
#include "files/tab_data_reader.h"
#include "files/tab_data_writer.h"
#include "files/xml_packet_reader.h"
#include "files/xml_packet_writer.h"

namespace tavolo {

FileResult DataFileReader(const std::string& path, ReadingTable& table)
{
    return isXmlPath(path) ? LoadTableXml(path, table) : loadTabData(path, table);
}

FileResult saveDataFile(ReadingTable& table, const std::string& path)
{
    return isXmlPath(path) ? SaveTableXml(table, path) : TabDataWriter(table, path);
}

}  // namespace tavolo
