#include "files/data_file.h"

#include "files/csv_reader.h"
#include "files/csv_writer.h"
#include "files/file_paths.h"
#include "files/tab_data_reader.h"
#include "files/tab_data_writer.h"
#include "files/xml_packet_reader.h"
#include "files/xml_packet_writer.h"

namespace tavolo {

FileResult DataFileReader(const std::string& path, ReadingTable& table)
{
    if (isXmlPath(path))
        return LoadTableXml(path, table);
    return isCsvPath(path) ? loadCsvData(path, table) : loadTabData(path, table);
}

FileResult saveDataFile(ReadingTable& table, const std::string& path)
{
    if (isXmlPath(path))
        return SaveTableXml(table, path);
    return isCsvPath(path) ? saveCsvData(table, path) : TabDataWriter(table, path);
}

}  // namespace tavolo
