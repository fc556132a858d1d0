#include <gtest/gtest.h>

#include "files/file_paths.h"

namespace tavolo {
namespace {

TEST(FilePaths, OnlyLowerCaseXmlExtensionIsXml)
{
    struct Case {
        const char* path;
        bool xml;
    };
    const Case cases[] = {
        {"data.xml", true},         {"/home/u/run 1.xml", true}, {"data.XML", false},
        {"data.Xml", false},        {"data.xls", false},         {"data.txt", false},
        {"data", false},            {"data.xml.bak", false},     {"dir.xml/data", false},
        {"archive.tar.xml", true},  {".xml", true},              {"data.xml ", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isXmlPath(c.path), c.xml) << c.path;
}

TEST(FilePaths, BitmapNameGetsBmpExtension)
{
    struct Case {
        const char* path;
        const char* bitmap;
    };
    const Case cases[] = {
        {"chart.bmp", "chart.bmp"},
        {"chart.png", "chart.bmp"},
        {"chart.BMP", "chart.bmp"},
        {"chart", "chart.bmp"},
        {"chart.", "chart.bmp"},
        {"/tmp/run.1/chart", "/tmp/run.1/chart.bmp"},
        {"/tmp/run.1/chart.old.png", "/tmp/run.1/chart.old.bmp"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bitmapPathFor(c.path), c.bitmap) << c.path;
}

}  // namespace
}  // namespace tavolo
