// The printed rows, byte for byte: JSON lines and the file list's text columns, against the
// printf layouts they have always had, over rows of every shape.
#include "cli/RowOutput.h"
#include "cli/OutputWriter.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "store/DataBase.h"
#include "ui/format/RowFormat.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct Row {
    std::string name;
    std::string path;
    RowFields fields;
};

std::string Printed(const std::vector<Row>& rows, RowPrinter::Style style) {
    testing::internal::CaptureStdout();
    {
        OutputWriter out;
        RowPrinter printer(out, style);
        for (const Row& r : rows) {
            RowFields f = r.fields;
            f.name = r.name;
            printer.Print(f, r.path);
        }
        out.Finish();
    }
    return testing::internal::GetCapturedStdout();
}

std::string Json(const std::string& text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

// The JSON layout: the columns by name, numbers unsigned but isDeleted and isDir, and last the
// condition (null when not known).
std::string ReferenceJson(const Row& r) {
    const RowFields& f = r.fields;
    char numbers[512];
    std::snprintf(
        numbers, sizeof numbers,
        "\"size\":%llu,\"created\":%llu,\"modified\":%llu,\"accessed\":%llu,"
        "\"attributes\":%u,\"id\":%llu,\"pid\":%llu,\"isDeleted\":%d,\"isDir\":%d,"
        "\"record\":%llu,\"firSector\":%llu,",
        static_cast<unsigned long long>(f.size), static_cast<unsigned long long>(f.created),
        static_cast<unsigned long long>(f.modified), static_cast<unsigned long long>(f.accessed),
        f.attributes, static_cast<unsigned long long>(f.id), static_cast<unsigned long long>(f.pid),
        f.isDeleted, f.isDir, static_cast<unsigned long long>(f.record),
        static_cast<unsigned long long>(f.firSector));
    const std::string name = platform::Utf16ToUtf8(platform::Utf8ToUtf16(r.name));
    return "{\"fn\":" + Json(name) + ",\"fn_ext\":" + Json(f.isDir ? "" : ExtensionOf(name)) + "," +
           numbers + "\"path\":" + Json(r.path) + ",\"recoverable\":" +
           (f.recoverable >= 0 ? std::to_string(f.recoverable) : std::string("null")) + "}\n";
}

// The file list's columns: mark, name, size, three dates, attributes, id, parent id, condition,
// path.
std::string ReferenceText(const Row& r, bool withPath) {
    const RowFields& f = r.fields;
    // Names and paths go out with their control characters escaped, as a terminal needs.
    std::string name = TerminalText(platform::Utf16ToUtf8(platform::Utf8ToUtf16(r.name)));
    if (f.isDir) name += "\\";
    char line[4096];
    const std::string condition =
        f.recoverable >= 0 ? std::to_string(f.recoverable) + "%" : std::string();
    std::snprintf(
        line, sizeof line, "%-3s %-40s %12s  %-19s  %-19s  %-19s  %-10s %10lld %10lld %9s",
        f.isDeleted == 1 ? "del" : "", name.c_str(), f.isDir ? "" : rowformat::Size(f.size).c_str(),
        rowformat::Date(f.created).c_str(), rowformat::Date(f.modified).c_str(),
        rowformat::Date(f.accessed).c_str(), rowformat::Attributes(f.attributes).c_str(),
        static_cast<long long>(f.id), static_cast<long long>(f.pid), condition.c_str());
    return std::string(line) + (withPath ? "  " + TerminalText(r.path) : "") + "\n";
}

class RowOutput : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    void TearDown() override {
        unsetenv("TZ");
        tzset();
    }
};

TEST_F(RowOutput, OneRowExactly) {
    Row r{"Q\"uo\\te\t.TXT", "E:\\Docs\\", {}};
    r.fields.size = 1536;
    r.fields.created = platform::UnixToFileTime(1705321858);
    r.fields.accessed = platform::kFileTimeUnixEpoch - 1;
    r.fields.attributes = 0x21;
    r.fields.id = UINT64_MAX;
    r.fields.pid = 5;
    r.fields.isDeleted = 1;
    r.fields.record = 7;
    r.fields.firSector = 9;
    EXPECT_EQ(Printed({r}, RowPrinter::Style::kJson),
              "{\"fn\":\"Q\\\"uo\\\\te\\t.TXT\",\"fn_ext\":\"txt\",\"size\":1536,"
              "\"created\":133497954580000000,\"modified\":0,\"accessed\":116444735999999999,"
              "\"attributes\":33,\"id\":18446744073709551615,\"pid\":5,\"isDeleted\":1,"
              "\"isDir\":0,\"record\":7,\"firSector\":9,\"path\":\"E:\\\\Docs\\\\\","
              "\"recoverable\":null}\n");
    EXPECT_EQ(Printed({r}, RowPrinter::Style::kTextWithPath),
              "del Q\"uo\\te\\t.TXT" + std::string(27, ' ') + "      1.50 KB  01/15/2024 12:30:58" +
                  std::string(2 + 19 + 2 + 19 + 2, ' ') + "R-A" + std::string(7, ' ') +
                  "         -1          5            E:\\Docs\\\n");
    r.fields.recoverable = 37;
    EXPECT_NE(Printed({r}, RowPrinter::Style::kJson).find(",\"recoverable\":37}"),
              std::string::npos);
    EXPECT_NE(Printed({r}, RowPrinter::Style::kText).find("         5       37%\n"),
              std::string::npos);
}

TEST_F(RowOutput, EveryShapeOfRowMatchesTheLayouts) {
    std::mt19937_64 random(20240115);
    const std::vector<std::string> names = {"",
                                            "a",
                                            "file0001.dat",
                                            "A longer file name number 0001.data",
                                            std::string(40, 'n'),
                                            std::string(41, 'n'),
                                            std::string(300, 'w'),
                                            "R\xC3\xA9sum\xC3\xA9 \xE2\x80\x93 final.txt",
                                            "\xF0\x9F\x98\x80.png",
                                            "ctl\x01\x1f\x7f.x",
                                            "bad\xFF\xC3utf8.\xE6\x97",
                                            "it's.tar.GZ",
                                            "!!!ADVANCED - EXTRA!!!",
                                            "x.abcdefghijklm",
                                            "quote\"back\\slash"};
    const std::vector<std::string> paths = {
        "E:\\", "E:\\Docs\\Reports\\", "E:\\?\\Lost\\", "E:\\\xC3\xA9t\xC3\xA9\\",
        "",     "E:\\\"q\"\\"};
    const std::vector<uint64_t> numbers = {0,          1,           1023,         1024,
                                           1048575,    1048576,     1073741823,   1073741824,
                                           5000000000, INT64_MAX,   UINT64_MAX,   (1ULL << 63),
                                           123456789,  4294967295u, 4294967296ULL};
    const std::vector<uint64_t> times = {0,
                                         platform::kFileTimeUnixEpoch - 1,
                                         platform::kFileTimeUnixEpoch,
                                         platform::UnixToFileTime(1705321858, 999999999),
                                         platform::UnixToFileTime(4102444799),
                                         UINT64_MAX};
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i) {
        Row r;
        r.name = names[random() % names.size()];
        r.path = paths[random() % paths.size()];
        RowFields& f = r.fields;
        f.size = numbers[random() % numbers.size()];
        f.created = times[random() % times.size()];
        f.modified = random() % 4 ? f.created : times[random() % times.size()];
        f.accessed = times[random() % times.size()];
        f.attributes = static_cast<uint32_t>(random() % 3 ? random() & 0x30003FFF : random());
        f.id = numbers[random() % numbers.size()];
        f.pid = numbers[random() % numbers.size()];
        f.isDeleted = static_cast<int32_t>(random() % 3);
        f.isDir = static_cast<int32_t>(random() % 3);
        f.record = numbers[random() % numbers.size()];
        f.firSector = numbers[random() % numbers.size()];
        f.recoverable = static_cast<int32_t>(random() % 102) - 1; // -1: not known
        rows.push_back(r);
    }
    std::string json, text, list;
    for (const Row& r : rows) {
        json += ReferenceJson(r);
        text += ReferenceText(r, true);
        list += ReferenceText(r, false);
    }
    EXPECT_EQ(Printed(rows, RowPrinter::Style::kJson), json);
    EXPECT_EQ(Printed(rows, RowPrinter::Style::kTextWithPath), text);
    EXPECT_EQ(Printed(rows, RowPrinter::Style::kText), list);
}

TEST_F(RowOutput, JsonStringEscapesControlsAndKeepsOtherBytes) {
    EXPECT_EQ(Json(std::string("a\x01\x1f\x7f\n\r\t\"\\\xC3\xA9", 11)),
              "\"a\\u0001\\u001f\x7f\\n\\r\\t\\\"\\\\\xC3\xA9\"");
    EXPECT_EQ(Json(std::string("nul\0end", 7)), "\"nul\\u0000end\"");
}

TEST_F(RowOutput, ManyRowsGoOutWhole) {
    // More than one buffer's worth: nothing is lost or repeated at the seams.
    std::vector<Row> rows(20000, Row{"file.dat", "E:\\Folder\\", {}});
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].fields.id = i;
    const std::string out = Printed(rows, RowPrinter::Style::kJson);
    std::string expected;
    for (const Row& r : rows)
        expected += ReferenceJson(r);
    EXPECT_GT(out.size(), 2 * OutputWriter::kChunk);
    EXPECT_EQ(out, expected);
}

} // namespace
