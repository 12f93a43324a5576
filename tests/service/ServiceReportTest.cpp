// The service report's document built from plain data: the facts table and
// its words for what is missing, the record's CSV read back into rows, and
// the report of a saved image compared with another radio's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/TxfTable.h"
#include "service/ServiceReport.h"

namespace {

using service::CsvRows;

std::string Fact(const platform::Document& doc, const std::string& name) {
    for (const platform::DocBlock& b : doc.blocks)
        for (const auto& row : b.rows)
            if (row.size() == 2 && row[0] == name) return row[1];
    return "(none)";
}

bool HasParagraph(const platform::Document& doc, const std::string& part) {
    for (const platform::DocBlock& b : doc.blocks)
        if (b.text.find(part) != std::string::npos) return true;
    return false;
}

TEST(ServiceReportCsv, RowsAndFieldsAsTheRecordWritesThem) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::vector<std::string>> rows;
    };
    const std::vector<Case> cases = {
        {"plain with CR LF", "a,b,c\r\nd,,f\r\n", {{"a", "b", "c"}, {"d", "", "f"}}},
        {"a quoted comma", "Port,\"COM1 /dev/a,b\"\r\n", {{"Port", "COM1 /dev/a,b"}}},
        {"a doubled quote", "x,\"say \"\"hi\"\"\"\n", {{"x", "say \"hi\""}}},
        {"a line break inside quotes", "\"two\r\nlines\",z\n", {{"two\r\nlines", "z"}}},
        {"no line end at the end", "a,b", {{"a", "b"}}},
        {"an empty line", "a\n\nb\n", {{"a"}, {""}, {"b"}}},
        {"nothing", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CsvRows(c.text), c.rows);
    }
}

TEST(ServiceReportDocument, SaysWhatIsMissingInsteadOfLeavingItOut) {
    service::ConnectionReport r;
    r.header = {"ZS-N7 ADJ Rev.1.0", "1.0", "2026-12-11 14:03:09 UTC+01:00"};
    r.radio = "ZT-N7 2526-0100";
    r.asRead = ByteStr(12288, 0);
    r.now = r.asRead;
    r.adjustable = {{79, 5, "Power(Hi)", 1, false}, {68, 12, "BPF T1", 10, true}};
    r.now[68] = 0xEC;  // -20
    r.sweep.filters[0].points = {{-128, 10}, {-127, 16}};  // cancelled after two settings
    const platform::Document doc = service::ConnectionReportDocument(r);
    EXPECT_EQ(Fact(doc, "Verification"), "not verified");
    EXPECT_EQ(Fact(doc, "Archived image"), "not saved");
    EXPECT_EQ(Fact(doc, "Unit fingerprint"), "unknown");
    EXPECT_EQ(Fact(doc, "Port"), "unknown");
    EXPECT_TRUE(HasParagraph(doc, "1 item differs from the radio as read"));
    EXPECT_TRUE(HasParagraph(doc, "BPF T1: 2 settings measured from -128 to -127"));
    EXPECT_TRUE(HasParagraph(doc, "the sweep did not finish, now -20."));
    EXPECT_TRUE(HasParagraph(doc, "The TXF procedure did not complete a table"));
    EXPECT_TRUE(HasParagraph(doc, "The S-meter procedure stored no point"));
    EXPECT_TRUE(HasParagraph(doc, "No read-outs were shown."));
    EXPECT_TRUE(HasParagraph(doc, "No service record in this connection."));
    // The changed item's row is marked, with the signed value as the console shows it.
    bool found = false;
    for (const platform::DocBlock& b : doc.blocks)
        for (std::size_t i = 1; i < b.rows.size(); ++i)
            if (b.rows[i] == std::vector<std::string>{"BPF T1", "68", "0", "-20", "*"}) {
                found = true;
                EXPECT_TRUE(b.marked.at(i - 1));
            }
    EXPECT_TRUE(found);
}

TEST(ServiceReportDocument, AnotherUnitsImageIsSaidToBeOne) {
    struct Case {
        const char* name;
        std::string otherFingerprint;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"the same unit, other channels", "1A2B3C4D",
         "0 adjustable bytes differ, and 20 other bytes (channels and settings)."},
        {"another unit", "5E6F7A8B",
         "0 adjustable bytes differ, and 20 other bytes (channels and settings). The two images come from "
         "different units (fingerprints 1A2B3C4D and 5E6F7A8B)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service::ImageReport r;
        r.fileName = "a.bin";
        r.otherName = "b.bin";
        r.fingerprint = "1A2B3C4D";
        r.otherFingerprint = c.otherFingerprint;
        r.image = ByteStr(12288, 0);
        r.other = ByteStr(12288, 0);
        for (int a = 1000; a < 1020; ++a) r.other[static_cast<std::size_t>(a)] = 1;  // channels
        r.adjustable = {{79, 5, "Power(Hi)", 1, false}};
        r.tempBorder = [](std::int16_t k) { return txf::TempBorders()[static_cast<std::size_t>(k)]; };
        const platform::Document doc = service::ImageReportDocument(r);
        bool found = false;
        for (const platform::DocBlock& b : doc.blocks) found = found || b.text == c.says;
        EXPECT_TRUE(found);
    }
}

}  // namespace
