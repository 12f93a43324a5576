// The rows and names of the service record, and the record over a storage
// that keeps nothing or fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "radio/clsCmcRadio.h"
#include "service/Fingerprint.h"
#include "service/ServiceRecord.h"

namespace {

const platform::LocalTime kTime{2026, 12, 10, 14, 3, 9, 60};

TEST(ServiceRecord, RowsTellTimeItemAddressAndTheThreeValues) {
    struct Case { SentValue v; const char* row; };
    const std::vector<Case> cases = {
        {{"Power(Hi)", 79, 200, 200, 201, SendSource::Key}, "2026-12-10 14:03:09 +01:00,Power(Hi),79,200,200,201,key\r\n"},
        {{"BPF T2", 69, 0, 251, 250, SendSource::BpfSweep}, "2026-12-10 14:03:09 +01:00,BPF T2,69,0,251,250,band-pass sweep\r\n"},
        // Signed bytes as the console shows them.
        {{"BPF T2", 69, 0, 251, 250, SendSource::BpfSweep, true}, "2026-12-10 14:03:09 +01:00,BPF T2,69,0,-5,-6,band-pass sweep\r\n"},
        {{"TXF point 0", 216, 0, 17, 0, SendSource::Txf}, "2026-12-10 14:03:09 +01:00,TXF point 0,216,0,17,0,TXF\r\n"},
        {{"TXF point 39", 255, 255, 3, 255, SendSource::Revert}, "2026-12-10 14:03:09 +01:00,TXF point 39,255,255,3,255,revert\r\n"},
        {{"S-METER S1", 86, 40, 40, 52, SendSource::SMeter}, "2026-12-10 14:03:09 +01:00,S-METER S1,86,40,40,52,S-meter\r\n"},
        {{"S-METER S3", 87, 9, 12, 10, SendSource::Restore}, "2026-12-10 14:03:09 +01:00,S-METER S3,87,9,12,10,restore\r\n"},
        {{"CTCS/DTCS", 76, 1, 2, 3, SendSource::Key}, "2026-12-10 14:03:09 +01:00,CTCS/DTCS,76,1,2,3,key\r\n"},
        // A caption with a separator or a quote is quoted.
        {{"A, \"B\"", 1, 0, 0, 0, SendSource::Key}, "2026-12-10 14:03:09 +01:00,\"A, \"\"B\"\"\",1,0,0,0,key\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(clsServiceRecord::RowText(kTime, c.v), c.row);
    }
    EXPECT_EQ(clsServiceRecord::AsReadRowText(kTime, 13), "2026-12-10 14:03:09 +01:00,13 items as read,,,,,connect\r\n");
    EXPECT_EQ(std::string(clsServiceRecord::kColumns), "Time,Item,Address,As read,Before,Sent,By");
}

TEST(ServiceRecord, ArchiveNamesCarryTheModelCodesTheUnitDateAndTime) {
    EXPECT_EQ(clsServiceRecord::ArchiveName("2526", "0100", "1A2B3C4D", kTime),
              "ZT-N7_2526-0100_1A2B3C4D_2026-12-10_14-03-09.bin");
    EXPECT_EQ(clsServiceRecord::ArchiveName("2526", "0100", "00000000", {2027, 1, 2, 0, 0, 0}),
              "ZT-N7_2526-0100_00000000_2027-01-02_00-00-00.bin");
    EXPECT_EQ(platform::DateTimeText(kTime), "2026-12-10 14:03:09");
    struct Case { int offset; const char* text; };
    for (const Case& c : {Case{60, "2026-12-10 14:03:09 +01:00"}, Case{0, "2026-12-10 14:03:09 +00:00"},
                          Case{-330, "2026-12-10 14:03:09 -05:30"}, Case{345, "2026-12-10 14:03:09 +05:45"}}) {
        platform::LocalTime t = kTime;
        t.utcOffsetMinutes = c.offset;
        EXPECT_EQ(platform::DateTimeZoneText(t), c.text);
    }
}

// A storage that keeps everything in memory, with a clock of its own.
class MemStorage final : public platform::IStorage {
public:
    std::string folder = "/data";
    std::vector<std::string> written, appended;
    std::string appendWhy;
    std::string dataFolder() override { return folder; }
    platform::LocalTime localTime() override { return kTime; }
    bool makeFolder(const std::string&, std::string&) override { return true; }
    bool exists(const std::string& p) override {
        for (const auto& w : written)
            if (w == p) return true;
        return false;
    }
    bool writeNew(const std::string& p, const std::vector<std::uint8_t>&, std::string&) override {
        written.push_back(p);
        return true;
    }
    bool append(const std::string& p, const std::string& t, std::string& why) override {
        if (!appendWhy.empty()) {
            why = appendWhy;
            return false;
        }
        appended.push_back(p + "|" + t);
        return true;
    }
    bool read(const std::string&, std::vector<std::uint8_t>&, std::size_t, std::string& why) override {
        why = "none";
        return false;
    }
};

struct RecordBench {
    MemStorage store;
    clsCmcRadio radio;
    clsServiceRecord record{radio, [] { return std::string("COM3 /dev/ttyUSB0"); }};
    RecordBench() {
        radio.radioNameM("2526");
        radio.radionameS("0100");
        platform::SetStorage(&store);
    }
    ~RecordBench() { platform::SetStorage(nullptr); }
};

TEST(ServiceRecord, WithoutADataFolderTheRecordIsKeptInMemoryAndThatIsTold) {
    RecordBench b;
    b.store.folder.clear();
    b.record.ImageRead(ByteStr(12288, 0));
    b.record.ValueSent({"Power(Hi)", 79, 1, 1, 2, SendSource::Key});
    EXPECT_TRUE(b.store.written.empty());
    EXPECT_TRUE(b.store.appended.empty());
    EXPECT_TRUE(b.record.HasRecord());
    EXPECT_TRUE(b.record.OnlyInMemory());
    EXPECT_NE(b.record.RecordText().find("Power(Hi),79,1,1,2,key"), std::string::npos);
    const std::string notice = b.record.TakeNotice();
    EXPECT_NE(notice.find("knows no data folder"), std::string::npos) << notice;
    EXPECT_NE(notice.find("not being kept on disk"), std::string::npos) << notice;
}

TEST(ServiceRecord, TheHeaderNamesThePortTheRadioAndTheArchive) {
    RecordBench b;
    b.record.ImageRead(ByteStr(12288, 0));
    const std::string fp = service::UnitFingerprint(ByteStr(12288, 0));
    const std::string base = "ZT-N7_2526-0100_" + fp + "_2026-12-10_14-03-09";
    ASSERT_EQ(b.store.written.size(), 1u);
    EXPECT_EQ(b.store.written[0], "/data/" + base + ".bin");
    EXPECT_EQ(b.record.RecordPath(), "/data/" + base + ".csv");
    EXPECT_EQ(b.record.RecordText(),
              "Service record\r\nDate,2026-12-10 14:03:09 +01:00\r\nProgram,ZS-N7 ADJ Rev.1.0\r\n"
              "Port,COM3 /dev/ttyUSB0\r\nRadio,ZT-N7 2526-0100\r\nArchived image," + base + ".bin\r\n"
              "Unit fingerprint," + fp + "\r\n\r\nTime,Item,Address,As read,Before,Sent,By\r\n");
    // The same second again: a name of its own, the first one untouched.
    b.record.ImageRead(ByteStr(12288, 0));
    EXPECT_EQ(b.store.written.back(), "/data/" + base + "_2.bin");
    EXPECT_EQ(b.record.RecordPath(), "/data/" + base + "_2.csv");
}

TEST(ServiceRecord, EveryRowGoesToTheFileAsItHappensAndAFailureIsToldOnce) {
    RecordBench b;
    b.record.ImageRead(ByteStr(12288, 0));
    b.record.ValuesAsReadSent(13);
    b.record.ValueSent({"SQL", 274, 5, 5, 6, SendSource::Key});
    ASSERT_EQ(b.store.appended.size(), 3u);
    EXPECT_EQ(b.store.appended[2], b.record.RecordPath() + "|2026-12-10 14:03:09 +01:00,SQL,274,5,5,6,key\r\n");
    b.store.appendWhy = "No space left on device";
    b.record.ValueSent({"SQL", 274, 5, 6, 7, SendSource::Key});
    b.record.ValueSent({"SQL", 274, 5, 7, 8, SendSource::Key});
    const std::string notice = b.record.TakeNotice();
    EXPECT_NE(notice.find(b.record.RecordPath()), std::string::npos) << notice;
    EXPECT_NE(notice.find("No space left on device"), std::string::npos) << notice;
    EXPECT_EQ(b.record.TakeNotice(), "");
    // The file is left as it was; the view keeps every row.
    b.store.appendWhy.clear();
    b.record.ValueSent({"SQL", 274, 5, 8, 9, SendSource::Key});
    EXPECT_EQ(b.store.appended.size(), 3u);
    EXPECT_NE(b.record.RecordText().find("2026-12-10 14:03:09 +01:00,SQL,274,5,8,9,key"), std::string::npos);
    EXPECT_EQ(b.record.TakeNotice(), "");
}

}  // namespace
