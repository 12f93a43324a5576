// The technician's safety net end to end: the whole program against the
// simulated transceiver on the in-memory port. Every whole clone read is
// archived before anything of the cycle is sent, the service record holds a
// row for every value that reached the radio, revert puts the radio back to
// the image as read, restore sends a saved image's adjustments (and only
// those) as adjustment commands, and files that cannot be written or read
// are told once and stop nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "model/clsIndOp_RigN7.h"
#include "service/Fingerprint.h"
#include "service/ServiceRecord.h"
#include "support/ConsoleLines.h"
#include "support/ProgramRig.h"
#include "support/Procedures.h"

namespace {

using namespace testsupport;  // ProgramRig, the console lines
using zsim::ZtN7Sim;


ByteStr Bytes(const std::string& s) { return ByteStr(s.begin(), s.end()); }

std::vector<std::string> FilesIn(const std::string& folder, const std::string& ext) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (e.path().extension() == ext) out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> out;
    std::string f;
    for (char c : row) {
        if (c == ',') {
            out.push_back(f);
            f.clear();
        } else {
            f += c;
        }
    }
    out.push_back(f);
    return out;
}

// The rows after the column line of a record.
std::vector<std::vector<std::string>> Rows(const std::string& record) {
    std::vector<std::vector<std::string>> rows;
    bool body = false;
    for (const std::string& l : Lines(record)) {
        if (body && !l.empty()) rows.push_back(Fields(l));
        if (l == clsServiceRecord::kColumns) body = true;
    }
    return rows;
}

// A storage that fails where the test says, over the rig's real one.
class FailingStorage final : public platform::IStorage {
public:
    explicit FailingStorage(platform::IStorage& inner) : inner_(inner) {}
    FailingStorage(platform::IStorage& inner, bool failAllWrites, int appendsUpTo)
        : failWrites(failAllWrites), appendsAllowed(appendsUpTo), inner_(inner) {}
    std::string dataFolder() override { return folder.empty() ? inner_.dataFolder() : folder; }
    platform::LocalTime localTime() override { return inner_.localTime(); }
    bool makeFolder(const std::string& p, std::string& why) override { return inner_.makeFolder(p, why); }
    bool exists(const std::string& p) override { return inner_.exists(p); }
    bool writeNew(const std::string& p, const std::vector<std::uint8_t>& b, std::string& why) override {
        ++writes;
        if (onWrite) onWrite();
        if (failWrites) {
            why = "No space left on device";
            return false;
        }
        return inner_.writeNew(p, b, why);
    }
    bool append(const std::string& p, const std::string& t, std::string& why) override {
        ++appends;
        if (appends > appendsAllowed) {
            why = "No space left on device";
            return false;
        }
        return inner_.append(p, t, why);
    }
    bool read(const std::string& p, std::vector<std::uint8_t>& b, std::size_t max, std::string& why) override {
        return inner_.read(p, b, max, why);
    }

    std::string folder;  // another data folder than the rig's
    bool failWrites = false;
    int appendsAllowed = 1 << 30;
    int writes = 0;
    int appends = 0;
    std::function<void()> onWrite;

private:
    platform::IStorage& inner_;
};

class SafetyNet : public ::testing::Test {
protected:
    ZtN7Sim sim;
    zsim::ZtN7SimPeer peer{sim};
    ProgramRig rig{&peer};

    void Start() {
        ASSERT_TRUE(rig.Start());
        rig.tick();
    }
    // Connect, and let the first cycle send every item.
    void Connect() {
        ASSERT_TRUE(rig.Connect());
        ASSERT_TRUE(AllSent());
        rig.runFor(500);
    }
    void StepBy(int line, int steps) { testsupport::StepBy(rig, line, steps); }
    bool AllSent(int ms = 120000) { return testsupport::AllSent(rig, ms); }
    // File, "Revert to values as read..." answered with OK.
    void Revert() {
        rig.win.viewAnswers = {true};
        rig.main().mnuFileRevert_Click();
    }
    // Power(Hi), Balance and SQL two steps up, sent, then a revert asked for.
    void StepThreeAndRevert() {
        StepBy(kLinePowerHi, 2);
        StepBy(kLineBalance, 2);
        StepBy(kLineSql, 2);
        ASSERT_TRUE(AllSent());
        Revert();
    }
    bool LineHas(int line, const std::string& part) { return testsupport::LineHas(rig, line, part); }
    // The transmit-frequency procedure: Enter, step, Enter, step, Enter.
    void RunTxf() { ASSERT_NO_FATAL_FAILURE(testsupport::RunTxf(rig)); }
    std::string Archive() const {
        const auto files = FilesIn(rig.archiveFolder, ".bin");
        return files.empty() ? std::string() : files.back();
    }
    // Connect and two steps of Power(Hi) with a data folder that cannot be
    // made: one message names the folder (and the system's reason, when
    // given) and every step still reached the radio.
    void ConnectStepAndExpectTheFolderToldOnce(const std::string& reason) {
        Start();
        Connect();
        StepBy(kLinePowerHi, 2);
        ASSERT_TRUE(AllSent());
        rig.runFor(1000);
        ASSERT_EQ(rig.desktop.messages.size(), 1u);
        const std::string& m = rig.desktop.messages[0];
        EXPECT_NE(m.find(rig.archiveFolder), std::string::npos) << m;
        EXPECT_NE(m.find(reason), std::string::npos) << m;
        EXPECT_NE(m.find("The adjustment goes on"), std::string::npos) << m;
        EXPECT_EQ(sim.byteAt(rign7ee::kPowerHi), ZtN7Sim::DefaultImage()[rign7ee::kPowerHi] + 2);
    }
    // Adjustable addresses of the ZT-N7.
    std::set<std::int32_t> Adjustable() {
        std::set<std::int32_t> s;
        for (const AdjustableByte& b : rig.op().AdjustableBytes()) s.insert(b.adr);
        return s;
    }
};

TEST_F(SafetyNet, AfterConnectTheArchiveHoldsTheRadiosEepromSavedBeforeAnythingWasSent) {
    FailingStorage spy(rig.storage);
    bool startedAtWrite = true;
    std::size_t e8AtWrite = 99;
    spy.onWrite = [&] {
        startedAtWrite = sim.started();
        e8AtWrite = sim.e8Log().size();
    };
    platform::SetStorage(&spy);
    Start();
    Connect();
    const auto files = FilesIn(rig.archiveFolder, ".bin");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(std::regex_match(std::filesystem::path(files[0]).filename().string(),
                                 std::regex(R"(ZT-N7_2526-0100_[0-9A-F]{8}_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.bin)")))
        << files[0];
    EXPECT_EQ(Bytes(testsupport::ReadFile(files[0])), sim.image());
    // Written before the start-of-adjustment command and before any item.
    EXPECT_FALSE(startedAtWrite);
    EXPECT_EQ(e8AtWrite, 1u);  // only the high-speed request of the clone read
    EXPECT_TRUE(rig.desktop.messages.empty());
    // The same file, whichever separators the folder names use (Windows takes both).
    EXPECT_EQ(std::filesystem::path(rig.program->record().ImagePath()).lexically_normal(),
              std::filesystem::path(files[0]).lexically_normal());

    // A second connection in the same second keeps both.
    Connect();
    EXPECT_EQ(FilesIn(rig.archiveFolder, ".bin").size(), 2u);
    EXPECT_EQ(FilesIn(rig.archiveFolder, ".csv").size(), 2u);
}

TEST_F(SafetyNet, TheRecordHoldsOneRowPerValueSentWithItsValuesBeforeAndAfter) {
    Start();
    Connect();
    const std::size_t mark = sim.e8Log().size();
    const int powerHi = sim.byteAt(rign7ee::kPowerHi);
    const int balance = sim.byteAt(rign7ee::kBalance);
    StepBy(kLinePowerHi, 2);
    StepBy(kLineBalance, -1);
    ASSERT_TRUE(AllSent());
    RunTxf();
    ASSERT_TRUE(AllSent());

    const std::string csvPath = rig.program->record().RecordPath();
    ASSERT_FALSE(csvPath.empty());
    const std::string record = testsupport::ReadFile(csvPath);
    EXPECT_EQ(record, rig.program->record().RecordText());
    const auto lines = Lines(record);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Service record");
    EXPECT_EQ(lines[2], std::string("Program,") + kAppTitle);
    EXPECT_EQ(lines[3].rfind("Port,COM1", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4], "Radio,ZT-N7 2526-0100");
    EXPECT_EQ(lines[5], "Archived image," + std::filesystem::path(Archive()).filename().string());

    const auto rows = Rows(record);
    ASSERT_FALSE(rows.empty());
    // The first cycle's sends of the values as read: one row.
    EXPECT_EQ(rows[0][1], "13 items as read");
    EXPECT_EQ(rows[0][6], "connect");
    // Then one row per adjustable value the radio received, in order.
    std::vector<ZtN7Sim::E8Command> sent;
    for (std::size_t i = mark; i < sim.e8Log().size(); ++i)
        if (ZtN7Sim::E8Address(sim.e8Log()[i].code) >= 0) sent.push_back(sim.e8Log()[i]);
    ASSERT_EQ(rows.size() - 1, sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& r = rows[i + 1];
        ASSERT_EQ(r.size(), 7u);
        EXPECT_EQ(r[2], std::to_string(ZtN7Sim::E8Address(sent[i].code)));
        EXPECT_EQ(r[5], std::to_string(sent[i].value));
    }
    // The keys' rows tell each step with its value before.
    EXPECT_EQ(rows[1], (std::vector<std::string>{rows[1][0], "Power(Hi)", "79", std::to_string(powerHi),
                                                 std::to_string(powerHi), std::to_string(powerHi + 1), "key"}));
    EXPECT_EQ(rows[2][4], std::to_string(powerHi + 1));
    EXPECT_EQ(rows[2][5], std::to_string(powerHi + 2));
    EXPECT_EQ(rows[3], (std::vector<std::string>{rows[3][0], "Balance", "74", std::to_string(balance),
                                                 std::to_string(balance), std::to_string(balance - 1), "key"}));
    int txfRows = 0;
    for (const auto& r : rows)
        if (r[6] == "TXF") {
            ++txfRows;
            EXPECT_EQ(r[1].rfind("TXF point ", 0), 0u);
        }
    EXPECT_GE(txfRows, 40);
    EXPECT_TRUE(rig.win.mnuFileServiceRecord.isEnabled);
    rig.main().mnuFileServiceRecord_Click();
    ASSERT_EQ(rig.win.views.size(), 1u);
    EXPECT_EQ(rig.win.views[0].text, record);
    EXPECT_TRUE(rig.win.views[0].okCaption.empty());
}

TEST_F(SafetyNet, RevertPutsTheRadioBackToTheImageAsRead) {
    Start();
    EXPECT_FALSE(rig.win.mnuFileRevert.isEnabled);
    Connect();
    EXPECT_FALSE(rig.win.mnuFileRevert.isEnabled);  // nothing differs yet
    const ByteStr asRead = Bytes(testsupport::ReadFile(Archive()));
    StepBy(kLinePowerHi, 3);
    StepBy(kLineSql, -2);
    StepBy(kLineBpfT2, -4);
    ASSERT_TRUE(AllSent());
    RunTxf();
    ASSERT_TRUE(AllSent());
    ASSERT_NE(sim.image(), asRead);
    const std::size_t mark = sim.e8Log().size();
    EXPECT_TRUE(rig.win.mnuFileRevert.isEnabled);
    const auto diffs = rig.op().RigOpFunc_Differences(asRead);
    ASSERT_GE(diffs.size(), 4u);

    // Cancelled: nothing is sent.
    rig.main().mnuFileRevert_Click();
    ASSERT_EQ(rig.win.views.size(), 1u);
    // The text names the button the dialog has; its access key is R.
    EXPECT_EQ(rig.win.views[0].okCaption, "&Revert");
    EXPECT_NE(rig.win.views[0].text.find("Revert sends the values as read back"), std::string::npos);
    EXPECT_EQ(rig.win.views[0].text.find("OK sends"), std::string::npos);
    EXPECT_NE(rig.win.views[0].text.find("Power(Hi)"), std::string::npos);
    EXPECT_NE(rig.win.views[0].text.find("As read"), std::string::npos);
    rig.runFor(1000);
    for (std::size_t i = mark; i < sim.e8Log().size(); ++i) EXPECT_LT(ZtN7Sim::E8Address(sim.e8Log()[i].code), 0);

    Revert();
    EXPECT_FALSE(rig.win.mnuFileRestore.isEnabled && rig.op().RigOpFunc_CanSendValues());  // busy until sent
    ASSERT_TRUE(AllSent());
    EXPECT_EQ(sim.image(), asRead);
    EXPECT_EQ(rig.image().bytes(), asRead);
    EXPECT_EQ(rig.console().Value(kLinePowerHi), asRead[rign7ee::kPowerHi]);
    EXPECT_EQ(rig.win.lboConsole.list(kLinePowerHi).substr(0, 10), " Power(Hi)");
    EXPECT_NE(rig.win.lboConsole.list(kLinePowerHi).find(std::to_string(asRead[rign7ee::kPowerHi])),
              std::string::npos);
    EXPECT_FALSE(rig.win.mnuFileRevert.isEnabled);
    EXPECT_EQ(sim.cloneWriteRequests(), 0);
    int revertRows = 0;
    for (const auto& r : Rows(rig.program->record().RecordText()))
        if (r[6] == "revert") {
            ++revertRows;
            EXPECT_EQ(r[3], r[5]);  // sent back what was read
        }
    EXPECT_EQ(revertRows, static_cast<int>(diffs.size()));
    EXPECT_TRUE(rig.desktop.messages.empty());
}

TEST_F(SafetyNet, RevertIsRefusedDuringAGuidedProcedureAndOutsideTheCycle) {
    Start();
    rig.main().mnuFileRevert_Click();
    EXPECT_TRUE(rig.win.views.empty());
    Connect();
    StepBy(kLinePowerHi, 1);
    ASSERT_TRUE(AllSent());
    rig.select(kLineTxf);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return rig.op().ProcedureRunning(); }, 5000));
    rig.tick();
    EXPECT_FALSE(rig.win.mnuFileRevert.isEnabled);
    EXPECT_FALSE(rig.win.mnuFileRestore.isEnabled);
    rig.win.viewAnswers = {true};
    rig.main().mnuFileRevert_Click();
    EXPECT_TRUE(rig.win.views.empty());
    EXPECT_EQ(rig.op().ValuesPending(), 0u);
}

TEST_F(SafetyNet, AStepOrAProcedureDuringARevertIsNotOverwrittenByIt) {
    Start();
    Connect();
    const ByteStr asRead = Bytes(testsupport::ReadFile(Archive()));
    ASSERT_NO_FATAL_FAILURE(StepThreeAndRevert());
    ASSERT_EQ(rig.op().ValuesPending(), 3u);
    // The technician steps SQL before its value went back: the step stays.
    StepBy(kLineSql, 1);
    ASSERT_TRUE(AllSent());
    EXPECT_EQ(sim.byteAt(rign7ee::kPowerHi), asRead[rign7ee::kPowerHi]);
    EXPECT_EQ(sim.byteAt(rign7ee::kBalance), asRead[rign7ee::kBalance]);
    EXPECT_EQ(sim.byteAt(rign7ee::kSql), asRead[rign7ee::kSql] + 3);

    // A guided procedure started during a revert ends it.
    StepBy(kLinePowerHi, 2);
    StepBy(kLineBalance, 2);
    ASSERT_TRUE(AllSent());
    Revert();
    ASSERT_EQ(rig.op().ValuesPending(), 3u);
    rig.select(kLineTxf);
    // Asked first: cancelled, nothing starts and the revert goes on.
    rig.win.views.clear();
    rig.key(keys::kEnter);
    ASSERT_EQ(rig.win.views.size(), 1u);
    EXPECT_EQ(rig.win.views[0].okCaption, "&Start");
    rig.tick();
    EXPECT_FALSE(rig.op().ProcedureRunning());
    rig.win.viewAnswers = {true};
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return rig.op().ProcedureRunning(); }, 5000));
    ASSERT_TRUE(rig.runUntil([&] { return rig.op().ValuesPending() == 0; }, 5000));
    EXPECT_NE(sim.byteAt(rign7ee::kSql), asRead[rign7ee::kSql]);
}

TEST_F(SafetyNet, ALinkFailureEndsARevertAndALaterOneSendsWhatStillDiffers) {
    Start();
    Connect();
    const ByteStr asRead = Bytes(testsupport::ReadFile(Archive()));
    ASSERT_NO_FATAL_FAILURE(StepThreeAndRevert());
    // The first value goes back, then the port fails.
    ASSERT_TRUE(rig.runUntil([&] { return rig.op().ValuesPending() == 2u; }, 5000));
    // The cable goes: the port closes and cannot be opened again.
    rig.port.setOpenRefusal([](std::int16_t, std::int32_t) { return true; });
    rig.com().comOpen(false);
    ASSERT_TRUE(rig.runUntil([&] { return rig.desktop.messages.size() >= 2; }, 10000));
    EXPECT_EQ(rig.op().ValuesPending(), 0u);
    EXPECT_FALSE(rig.op().RigN7Prop_EditEnabled());
    // The user learns which values did not go back: the one on the line
    // when it failed and the one still queued.
    const std::string& told = rig.desktop.messages[1];
    EXPECT_NE(told.find("The revert was ended by a link failure: 2 values were not sent back"), std::string::npos)
        << told;
    EXPECT_NE(told.find("Balance (address 74)"), std::string::npos) << told;
    EXPECT_NE(told.find("SQL (address 274)"), std::string::npos) << told;
    rig.port.setOpenRefusal({});
    rig.desktop.messages.clear();
    EXPECT_EQ(sim.byteAt(rign7ee::kPowerHi), asRead[rign7ee::kPowerHi]);
    EXPECT_NE(sim.byteAt(rign7ee::kBalance), asRead[rign7ee::kBalance]);

    // The next connection's image as read is the radio's now; a restore from
    // the first archive sends what is still different.
    Connect();
    rig.win.openAnswer = FilesIn(rig.archiveFolder, ".bin").front();
    rig.win.viewAnswers = {true, true};
    rig.main().mnuFileRestore_Click();
    ASSERT_TRUE(AllSent());
    EXPECT_EQ(sim.image(), asRead);
    EXPECT_TRUE(rig.desktop.messages.empty());
}

TEST_F(SafetyNet, RestoreFromAnEarlierSessionsArchiveSendsOnlyTheAdjustments) {
    Start();
    Connect();
    const std::string earlier = Archive();
    const ByteStr file = Bytes(testsupport::ReadFile(earlier));
    // The radio's values change since: stepped in this session and by a
    // procedure, and some channel data changes in the radio by other means.
    StepBy(kLinePowerHi, 4);
    StepBy(kLineBpfT2, -3);
    ASSERT_TRUE(AllSent());
    RunTxf();
    ASSERT_TRUE(AllSent());
    sim.byteAt(0x1000, static_cast<std::uint8_t>(sim.byteAt(0x1000) ^ 0x55));
    sim.byteAt(0x1001, static_cast<std::uint8_t>(sim.byteAt(0x1001) ^ 0x55));
    Connect();  // a new session reads the changed radio
    const ByteStr before = sim.image();
    ASSERT_NE(before, file);

    rig.win.openAnswer = earlier;
    rig.win.viewAnswers = {true, true};
    rig.main().mnuFileRestore_Click();
    ASSERT_EQ(rig.win.openAsked.size(), 1u);
    EXPECT_EQ(rig.win.openAsked[0], rig.archiveFolder);
    ASSERT_EQ(rig.win.views.size(), 2u);
    EXPECT_NE(rig.win.views[0].text.find("adjustable bytes differ"), std::string::npos);
    EXPECT_TRUE(rig.win.views[1].requiredTick.empty());  // two other bytes: the same radio
    EXPECT_EQ(rig.win.views[1].text.find("another radio"), std::string::npos);
    ASSERT_TRUE(AllSent());

    const auto adjustable = Adjustable();
    for (std::int32_t a = 0; a < ZtN7Sim::kImageSize; ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (adjustable.count(a) != 0)
            ASSERT_EQ(sim.image()[i], file[i]) << "adjustable byte " << a;
        else
            ASSERT_EQ(sim.image()[i], before[i]) << "other byte " << a;
    }
    EXPECT_EQ(sim.cloneWriteRequests(), 0);
    EXPECT_EQ(rig.image().bytes(), sim.image());
    int restoreRows = 0;
    for (const auto& r : Rows(rig.program->record().RecordText())) restoreRows += r[6] == "restore";
    EXPECT_GE(restoreRows, 4);
    EXPECT_TRUE(rig.desktop.messages.empty());
}

// The unit is told by its factory values: a second unit of a fleet with the
// same channels warns, the same unit with reprogrammed channels does not.
// (Counting differing bytes, as before, gets both wrong.)
TEST_F(SafetyNet, ARestoreWarnsWheneverTheFileComesFromAnotherUnitWhateverTheChannelsHold) {
    Start();
    Connect();
    auto rec = [](int ch) { return 1362 + 33 * ch; };
    struct Case { const char* what; std::vector<std::pair<int, int>> changes; bool warns; };
    const std::vector<Case> cases = {
        {"a second unit with identical channels", {{50, 0x07}, {85, 0x03}, {92, 0x01}}, true},
        {"a second unit differing only in a tone correction", {{80, 0x01}}, true},
        {"the same unit with two channels reprogrammed",
         {{rec(0) + 10, 0x10}, {rec(0) + 14, 0x10}, {rec(1) + 11, 0x20}, {rec(1) + 15, 0x20}, {rec(1) + 22, 0x01},
          {rec(6) + 10, 0x09}, {rec(6) + 14, 0x09}, {rec(7) + 10, 0x08}, {rec(7) + 14, 0x08}, {rec(7) + 25, 0x80}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ByteStr other = sim.image();
        for (const auto& [adr, mask] : c.changes) other[static_cast<std::size_t>(adr)] ^= static_cast<std::uint8_t>(mask);
        other[rign7ee::kPowerHi] ^= 0x0F;  // an adjustment for the restore to send
        const std::string path = rig.dir.file("other.bin");
        std::filesystem::remove(path);
        testsupport::WriteFile(path, std::string(other.begin(), other.end()));
        const std::size_t mark = sim.e8Log().size();
        const std::uint8_t powerHi = sim.byteAt(rign7ee::kPowerHi);

        rig.win.views.clear();
        rig.win.openAnswer = path;
        rig.win.viewAnswers = {true, true};
        rig.win.tickAnswer = false;
        rig.main().mnuFileRestore_Click();
        ASSERT_EQ(rig.win.views.size(), 2u);
        EXPECT_EQ(rig.win.views[1].text.find("comes from another unit") != std::string::npos, c.warns)
            << rig.win.views[1].text;
        EXPECT_EQ(rig.win.views[1].requiredTick.empty(), !c.warns);
        ASSERT_TRUE(AllSent());
        if (c.warns) {
            // Without the tick nothing goes; with it the adjustments do, never the channels.
            for (std::size_t i = mark; i < sim.e8Log().size(); ++i) EXPECT_NE(sim.e8Log()[i].code, rign7e8::kPowerHi);
            EXPECT_EQ(sim.byteAt(rign7ee::kPowerHi), powerHi);
            rig.win.viewAnswers = {true, true};
            rig.win.tickAnswer = true;
            rig.main().mnuFileRestore_Click();
            ASSERT_TRUE(AllSent());
        }
        EXPECT_EQ(sim.byteAt(rign7ee::kPowerHi), other[rign7ee::kPowerHi]);
        for (const auto& [adr, mask] : c.changes) EXPECT_NE(sim.byteAt(adr), other[static_cast<std::size_t>(adr)]);
    }
    EXPECT_EQ(sim.cloneWriteRequests(), 0);
}

TEST_F(SafetyNet, TheFileChooserStartsWithThisUnitsArchives) {
    Start();
    Connect();
    const std::string fp = service::UnitFingerprint(sim.image());
    rig.win.openAnswer.clear();
    rig.main().mnuFileCompare_Click();
    rig.main().mnuFileRestore_Click();
    ASSERT_EQ(rig.win.openPatterns.size(), 2u);
    EXPECT_EQ(rig.win.openPatterns[0], "*_" + fp + "_*.bin");
    EXPECT_EQ(rig.win.openPatterns[1], "*_" + fp + "_*.bin");
    // The archive of this connection matches it.
    EXPECT_NE(std::filesystem::path(Archive()).filename().string().find("_" + fp + "_"), std::string::npos);
}

TEST_F(SafetyNet, CompareShowsBothListingsWithTheDifferingLinesMarked) {
    Start();
    Connect();
    ByteStr saved = sim.image();
    saved[rign7ee::kPowerHi] = static_cast<std::uint8_t>(saved[rign7ee::kPowerHi] + 9);
    saved[rign7ee::kModN] = static_cast<std::uint8_t>(saved[rign7ee::kModN] + 1);
    saved[50] = static_cast<std::uint8_t>(saved[50] + 1);  // a slant: restore never sends it
    const std::string path = rig.dir.file("saved.bin");
    testsupport::WriteFile(path, std::string(saved.begin(), saved.end()));
    EXPECT_TRUE(rig.win.mnuFileCompare.isEnabled);
    rig.win.openAnswer = path;
    rig.main().mnuFileCompare_Click();
    ASSERT_EQ(rig.win.views.size(), 1u);
    const auto lines = Lines(rig.win.views[0].text);
    EXPECT_EQ(lines[0],
              "2 adjustable bytes differ: 2 lines marked > (restore sends them), 1 line marked * (restore does not "
              "send them).");
    int sends = 0;
    int stays = 0;
    for (const auto& l : lines) {
        if (l.rfind("> ", 0) == 0) {
            ++sends;
            EXPECT_TRUE(l.find("POW HI Level") != std::string::npos || l.find("MOD N Level") != std::string::npos) << l;
        } else if (l.rfind("* ", 0) == 0) {
            ++stays;
            EXPECT_NE(l.find("MOD Slant(Freq) Band1"), std::string::npos) << l;
        }
    }
    EXPECT_EQ(sends, 2);
    EXPECT_EQ(stays, 1);
    EXPECT_EQ(lines.size(), 3u + 100u);
    EXPECT_TRUE(rig.win.views[0].okCaption.empty());
    rig.runFor(1000);
    EXPECT_EQ(rig.op().ValuesPending(), 0u);
    EXPECT_EQ(sim.cloneWriteRequests(), 0);
}

TEST_F(SafetyNet, CompareAndRestoreRefuseAFileThatIsNoImage) {
    Start();
    Connect();
    testsupport::WriteFile(rig.dir.file("short.bin"), std::string(12287, '\x11'));
    testsupport::WriteFile(rig.dir.file("long.bin"), std::string(12289, '\x11'));
    testsupport::WriteFile(rig.dir.file("much-longer.bin"), std::string(3 * 12288, '\x11'));
    testsupport::WriteFile(rig.dir.file("empty.bin"), "");
    std::filesystem::create_directories(rig.dir.path() / "folder.bin");
    struct Case { std::string file; std::string says; };
    const std::vector<Case> cases = {
        {"short.bin", "it holds 12287 bytes, an image holds 12288"},
        {"long.bin", "it holds more than 12288 bytes, an image holds 12288"},
        {"much-longer.bin", "it holds more than 12288 bytes, an image holds 12288"},
        {"empty.bin", "is empty"},
        {"missing.bin", "Cannot read '"},
        {"folder.bin", "Cannot read '"},
    };
    const std::size_t mark = sim.e8Log().size();
    for (const auto& c : cases) {
        for (int restore = 0; restore < 2; ++restore) {
            SCOPED_TRACE(c.file + (restore ? " restore" : " compare"));
            rig.desktop.messages.clear();
            rig.win.views.clear();
            rig.win.openAnswer = rig.dir.file(c.file);
            rig.win.viewAnswers = {true, true};
            if (restore)
                rig.main().mnuFileRestore_Click();
            else
                rig.main().mnuFileCompare_Click();
            ASSERT_EQ(rig.desktop.messages.size(), 1u);
            EXPECT_NE(rig.desktop.messages[0].find(c.says), std::string::npos) << rig.desktop.messages[0];
            EXPECT_NE(rig.desktop.messages[0].find(c.file), std::string::npos) << rig.desktop.messages[0];
            EXPECT_TRUE(rig.win.views.empty());
            EXPECT_EQ(rig.op().ValuesPending(), 0u);
        }
    }
    rig.runFor(1000);
    for (std::size_t i = mark; i < sim.e8Log().size(); ++i) EXPECT_LT(ZtN7Sim::E8Address(sim.e8Log()[i].code), 0);
    // Cancelled in the chooser: nothing at all.
    rig.desktop.messages.clear();
    rig.win.openAnswer.clear();
    rig.main().mnuFileRestore_Click();
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_TRUE(rig.win.views.empty());
}

TEST_F(SafetyNet, AFullDiskIsToldOnceAndTheAdjustmentGoesOn) {
    struct Case { const char* name; bool failWrites; int appendsAllowed; const char* says; };
    const std::vector<Case> cases = {
        {"the archive cannot be written", true, 1 << 30, "Cannot archive the EEPROM image read to '"},
        {"the record fills the disk after its header and two rows", false, 3, "Cannot write the service record '"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ZtN7Sim radio;
        zsim::ZtN7SimPeer line{radio};
        ProgramRig r{&line};
        FailingStorage full(r.storage, c.failWrites, c.appendsAllowed);
        platform::SetStorage(&full);
        ASSERT_TRUE(r.Start());
        r.tick();
        ASSERT_TRUE(r.Connect());
        r.runFor(3000);
        r.select(kLinePowerHi);
        for (int i = 0; i < 4; ++i) {
            r.key(keys::kRight);
            r.runFor(500);
        }
        r.runFor(2000);
        ASSERT_EQ(r.desktop.messages.size(), 1u);
        EXPECT_NE(r.desktop.messages[0].find(c.says), std::string::npos) << r.desktop.messages[0];
        EXPECT_NE(r.desktop.messages[0].find("No space left on device"), std::string::npos);
        EXPECT_NE(r.desktop.messages[0].find(r.archiveFolder), std::string::npos);
        EXPECT_NE(r.desktop.messages[0].find("The adjustment goes on"), std::string::npos);
        // The adjustment went on: every step reached the radio.
        EXPECT_EQ(radio.byteAt(rign7ee::kPowerHi), ZtN7Sim::DefaultImage()[rign7ee::kPowerHi] + 4);
        EXPECT_TRUE(r.op().RigN7Prop_EditEnabled());
        // What the file could not take, the view still shows.
        EXPECT_EQ(Rows(r.program->record().RecordText()).size(), 5u);
        EXPECT_TRUE(FilesIn(r.archiveFolder, ".bin").empty() == c.failWrites);
        if (c.failWrites) {
            EXPECT_NE(r.program->record().RecordText().find("Archived image,not saved (No space left on device)"),
                      std::string::npos);
        } else {
            EXPECT_EQ(Rows(testsupport::ReadFile(r.program->record().RecordPath())).size(), 2u);
        }
        // The next connection tries again and tells again, once.
        r.desktop.messages.clear();
        ASSERT_TRUE(r.Connect());
        r.runFor(3000);
        EXPECT_EQ(r.desktop.messages.size(), 1u);
    }
}

TEST_F(SafetyNet, AnUnwritableDataFolderIsToldOnceAndTheAdjustmentGoesOn) {
    // A plain file where the data folder should be: no folder can be made
    // there, whoever runs the test (also the superuser, whom permissions
    // would not stop).
    testsupport::WriteFile(rig.dir.file("data"), "not a folder");
    ConnectStepAndExpectTheFolderToldOnce("");
    EXPECT_EQ(testsupport::ReadFile(rig.dir.file("data")), "not a folder");  // nothing lost that was there
}

// The data folder's parent exists but the user may not write it (mode
// r-x): the system refuses the folder, the message names it with the
// system's reason and the adjustment goes on. Permissions stop only a normal
// user: as root (scripts/fresh-check.sh runs this as a normal user too) and
// where the system keeps the mode only as a hint (Windows) it is skipped.
// A storage that left the system's reason out of its answer, or an archive
// that stopped the adjustment when its folder fails, makes it fail.
TEST_F(SafetyNet, AFolderTheUserMayNotWriteIsToldOnceAndTheAdjustmentGoesOn) {
    namespace fs = std::filesystem;
    const fs::path parent = rig.dir.file("data");
    fs::create_directory(parent);
    fs::permissions(parent, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    struct WritableAgain {  // so that the test's folder can be removed whatever happens
        fs::path folder;
        ~WritableAgain() {
            std::error_code ec;
            fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
        }
    } again{parent};
    if (std::ofstream(parent / "probe", std::ios::binary).is_open()) {
        fs::remove(parent / "probe");
        GTEST_SKIP() << "this user may write a folder of mode r-xr-xr-x (root, or a system that ignores it)";
    }
    ConnectStepAndExpectTheFolderToldOnce("Permission denied");
    EXPECT_TRUE(fs::is_empty(parent));
}

// A folder name may hold a backslash and an n (a Windows user "nina" in
// "C:\\Users\\nina"): the message shows it as it is, not as a line break.
TEST_F(SafetyNet, AFolderNameWithABackslashNIsShownAsItIs) {
    FailingStorage spy(rig.storage);
    spy.folder = rig.dir.file("Users\\nina");
    spy.failWrites = true;
    platform::SetStorage(&spy);
    Start();
    Connect();
    rig.runFor(1000);
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    const std::string& m = rig.desktop.messages[0];
    EXPECT_NE(m.find(spy.folder + "/ZT-N7_2526-0100_"), std::string::npos) << m;
    EXPECT_NE(m.find("No space left on device.\r\nThe adjustment goes on"), std::string::npos) << m;
}

}  // namespace

namespace {

using namespace testsupport;
using zsim::ZtN7Sim;

// Verify, and the ends of a revert, through the whole program.
class Verify : public SafetyNet {
protected:
    // File, "Verify radio...", then ticks until its result is shown (or a message).
    void RunVerify() {
        ASSERT_TRUE(rig.win.mnuFileVerify.isEnabled);
        const std::size_t views = rig.win.views.size();
        const std::size_t messages = rig.desktop.messages.size();
        rig.main().mnuFileVerify_Click();
        ASSERT_TRUE(rig.runUntil(
            [&] { return rig.win.views.size() > views || rig.desktop.messages.size() > messages; }, 60000));
        rig.runFor(500);
    }
    const platform::TextView& LastView() { return rig.win.views.back(); }
    // A rig of a table case started and connected, its first cycle done.
    static bool StartConnected(ProgramRig& r) {
        if (!r.Start()) return false;
        r.tick();
        return r.Connect() && r.runUntil([&] { return r.op().RigOpFunc_CanSendValues(); }, 60000);
    }
    std::string RecordText() { return rig.program->record().RecordText(); }
    // Rows of the record whose source column starts with `by`.
    std::vector<std::vector<std::string>> RowsBy(const std::string& by) {
        std::vector<std::vector<std::string>> out;
        for (const auto& r : Rows(RecordText()))
            if (r.size() == 7 && r[6].rfind(by, 0) == 0) out.push_back(r);
        return out;
    }
    // Power(Hi) two up, Balance one down, the TXF procedure: 42 values.
    void StepsAndTxf() {
        StepBy(kLinePowerHi, 2);
        StepBy(kLineBalance, -1);
        ASSERT_TRUE(AllSent());
        RunTxf();
        ASSERT_TRUE(AllSent());
    }
};

TEST_F(Verify, ACleanVerifyProvesEveryValueAndKeepsTheImageAsReadForRevert) {
    Start();
    Connect();
    EXPECT_FALSE(rig.win.mnuFileVerify.isEnabled);  // nothing sent since the read
    EXPECT_EQ(rig.win.lblSafetyNet.text, "");
    const ByteStr asRead = sim.image();
    ASSERT_NO_FATAL_FAILURE(StepsAndTxf());
    const std::size_t sent = rig.op().ValuesUnverified();
    ASSERT_GE(sent, 42u);
    EXPECT_EQ(rig.win.lblSafetyNet.text, std::to_string(sent) + " values sent, not verified");
    const int reads = sim.cloneReads();
    const int identities = sim.identityRequests();

    ASSERT_NO_FATAL_FAILURE(RunVerify());
    // Read again as Connect reads: identity, high-speed request, clone read.
    EXPECT_EQ(sim.cloneReads(), reads + 1);
    EXPECT_EQ(sim.identityRequests(), identities + 1);
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_EQ(LastView().title, "Verify radio");
    EXPECT_TRUE(std::regex_match(LastView().text,
                                 std::regex("Verified: the radio holds all " + std::to_string(sent) +
                                            " values sent since \\d\\d:\\d\\d:\\d\\d\\.\n")))
        << LastView().text;
    EXPECT_EQ(rig.win.lblSafetyNet.text, "");
    EXPECT_FALSE(rig.win.mnuFileVerify.isEnabled);
    EXPECT_TRUE(rig.op().RigN7Prop_EditEnabled());
    // The result as a report takes it.
    const auto& last = rig.program->record().LastVerify();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->valuesSent, static_cast<int>(sent));
    EXPECT_TRUE(last->AllStored());
    // The record: the summary and where the new read went; the read is archived.
    const auto rows = RowsBy("verify");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], "Verify: all " + std::to_string(sent) + " values stored");
    EXPECT_EQ(rows[1][1].rfind("Verify read archived as ZT-N7_2526-0100_", 0), 0u) << rows[1][1];
    const auto archives = FilesIn(rig.archiveFolder, ".bin");
    ASSERT_EQ(archives.size(), 2u);
    EXPECT_EQ(Bytes(testsupport::ReadFile(archives.back())), sim.image());
    EXPECT_EQ(FilesIn(rig.archiveFolder, ".csv").size(), 1u);  // one record for the connection

    // The cycle goes on and revert still goes back to the connection's first read.
    EXPECT_EQ(rig.op().ImageAsRead(), asRead);
    StepBy(kLineSql, 1);
    ASSERT_TRUE(AllSent());
    EXPECT_EQ(rig.win.lblSafetyNet.text, "1 value sent, not verified");
    Revert();
    ASSERT_TRUE(AllSent());
    EXPECT_EQ(sim.image(), asRead);
}

// Each fault leaves the radio holding something else than was sent; the
// verify names it. (Comparing the new read with the read it replaces
// instead of with the expected image would find nothing.)
TEST_F(Verify, ARadioThatDidNotStoreAValueIsCaughtWithTheItemExpectedAndFound) {
    struct Case { const char* what; void (*set)(ZtN7Sim::Faults&); int found; };
    const std::vector<Case> cases = {
        {"ignores Power(Hi)", [](ZtN7Sim::Faults& f) { f.ignoreCommand = rign7e8::kPowerHi; }, 0},
        {"stores Power(Hi) one higher", [](ZtN7Sim::Faults& f) { f.storeWrongCommand = rign7e8::kPowerHi; }, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ZtN7Sim radio;
        zsim::ZtN7SimPeer line{radio};
        ProgramRig r{&line};
        ASSERT_TRUE(StartConnected(r));
        const int asRead = radio.byteAt(rign7ee::kPowerHi);
        c.set(radio.faults());
        r.select(kLinePowerHi);
        for (int i = 0; i < 2; ++i) {
            r.key(keys::kRight);
            r.runFor(500);
        }
        r.select(kLineBalance);
        r.key(keys::kLeft);
        r.runFor(2000);
        ASSERT_TRUE(r.win.mnuFileVerify.isEnabled);
        r.main().mnuFileVerify_Click();
        ASSERT_TRUE(r.runUntil([&] { return !r.win.views.empty(); }, 60000));
        const std::string text = r.win.views.back().text;
        // The found value: unchanged (0 steps) or the last value sent plus one.
        const int found = c.found == 0 ? asRead : asRead + c.found;
        EXPECT_NE(text.find("Not stored: the radio does not hold 1 of the 2 values sent since"), std::string::npos)
            << text;
        EXPECT_TRUE(std::regex_search(text, std::regex("Power\\(Hi\\) +79 +" + std::to_string(asRead + 2) + " +" +
                                                       std::to_string(found) + "\n")))
            << text;
        EXPECT_EQ(text.find("Balance"), std::string::npos) << text;  // stored as sent
        // The record holds the summary and the mismatch row.
        const std::string rec = r.program->record().RecordText();
        EXPECT_NE(rec.find(",Verify: 1 of 2 values not stored,,,,,verify"), std::string::npos) << rec;
        EXPECT_NE(rec.find(",Power(Hi),79," + std::to_string(asRead) + ",,,verify: not stored (expected " +
                           std::to_string(asRead + 2) + " found " + std::to_string(found) + ")"),
                  std::string::npos)
            << rec;
        // The console shows what the radio holds.
        EXPECT_EQ(r.console().Value(kLinePowerHi), found);
        EXPECT_TRUE(r.op().RigN7Prop_EditEnabled());
    }
}

TEST_F(Verify, BytesChangedButNeverSentAreListedApart) {
    Start();
    Connect();
    StepBy(kLinePowerHi, 1);
    ASSERT_TRUE(AllSent());
    sim.byteAt(0x1000, 0x12);  // something else changed the radio
    ASSERT_NO_FATAL_FAILURE(RunVerify());
    const std::string text = LastView().text;
    EXPECT_EQ(text.rfind("Verified: the radio holds the 1 value sent since ", 0), 0u) << text;
    EXPECT_NE(text.find("1 byte differs that was never sent: something else changed the radio."), std::string::npos)
        << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("0x1000 +4096 +255 +18\n"))) << text;
    EXPECT_NE(RecordText().find(",0x1000,4096,255,,,verify: changed but never sent (expected 255 found 18)"),
              std::string::npos);
}

// A verify read that fails takes nothing: the program's image, the image as
// read and the values not yet verified stay, and the cycle goes on.
TEST_F(Verify, ARadioSwitchedOffBehindTheEchoingCableOrAnotherUnitChangesNothing) {
    struct Case { const char* what; bool switchedOff; const char* says; };
    for (const Case& c : {Case{"switched off", true, "The verify read did not end whole"},
                          Case{"another unit", false, "The radio read is another unit"}}) {
        SCOPED_TRACE(c.what);
        ZtN7Sim radio;
        zsim::ZtN7SimPeer line{radio};
        ProgramRig r{&line};
        ASSERT_TRUE(StartConnected(r));
        r.select(kLinePowerHi);
        r.key(keys::kRight);
        r.runFor(2000);
        const ByteStr expected = r.image().bytes();
        const ByteStr asRead = r.op().ImageAsRead();
        if (c.switchedOff) {
            radio.faults().silence = true;
        } else {
            ByteStr other = radio.image();
            other[50] ^= 0x21;  // another unit's slant, the same channels
            radio.image(other);
        }
        r.main().mnuFileVerify_Click();
        ASSERT_TRUE(r.runUntil([&] { return !r.desktop.messages.empty(); }, 60000));
        EXPECT_NE(r.desktop.messages.back().find(c.says), std::string::npos) << r.desktop.messages.back();
        ASSERT_TRUE(r.runUntil([&] { return r.op().RigN7Prop_EditEnabled(); }, 5000));
        EXPECT_EQ(r.image().bytes(), expected);
        EXPECT_EQ(r.op().ImageAsRead(), asRead);
        EXPECT_EQ(r.op().ValuesUnverified(), 1u);
        EXPECT_EQ(r.win.lblSafetyNet.text, "1 value sent, not verified");
        EXPECT_TRUE(r.win.views.empty());
        EXPECT_EQ(FilesIn(r.archiveFolder, ".bin").size(), 1u);  // nothing of it archived
        // Switched on again (or the right unit back): the verify goes through.
        radio.faults().silence = false;
        radio.image(expected);
        r.desktop.messages.clear();
        ASSERT_TRUE(r.win.mnuFileVerify.isEnabled);
        r.main().mnuFileVerify_Click();
        ASSERT_TRUE(r.runUntil([&] { return !r.win.views.empty(); }, 60000));
        EXPECT_EQ(r.win.views.back().text.rfind("Verified:", 0), 0u) << r.win.views.back().text;
    }
}

TEST_F(Verify, RevertShowsItsProgressAndItsEndOffersVerify) {
    Start();
    // Revert and restore wait for the first cycle to send every value as read.
    ASSERT_TRUE(rig.Connect());
    EXPECT_FALSE(rig.op().RigOpFunc_CanSendValues());
    ASSERT_TRUE(AllSent());
    rig.runFor(500);
    EXPECT_TRUE(rig.op().RigOpFunc_CanSendValues());
    ASSERT_NO_FATAL_FAILURE(StepThreeAndRevert());
    rig.tick();
    EXPECT_EQ(rig.win.lblSafetyNet.text.rfind("Reverting ", 0), 0u) << rig.win.lblSafetyNet.text;
    std::set<std::string> seen;
    rig.win.viewAnswers = {true};  // the end's question: verify now
    ASSERT_TRUE(rig.runUntil(
        [&] {
            seen.insert(rig.win.lblSafetyNet.text.substr(0, rig.win.lblSafetyNet.text.find(" - ")));
            return rig.win.views.size() >= 2;
        },
        20000));
    EXPECT_TRUE(seen.count("Reverting 1 of 3") && seen.count("Reverting 2 of 3") && seen.count("Reverting 3 of 3"));
    EXPECT_EQ(rig.win.views[1].text.rfind("Reverted: 3 values sent \xE2\x80\x94 verify now?", 0), 0u)
        << rig.win.views[1].text;
    EXPECT_EQ(rig.win.views[1].okCaption, "&Verify");
    ASSERT_TRUE(rig.runUntil([&] { return rig.win.views.size() >= 3; }, 60000));
    EXPECT_EQ(rig.win.views[2].text.rfind("Verified: the radio holds all 3 values sent since", 0), 0u)
        << rig.win.views[2].text;
}

// Every way a revert can end early tells the values not sent back, and the
// record rows them. (Clearing the queue without a word, as before, fails
// every case.)
TEST_F(Verify, ARevertEndedEarlyNamesTheValuesNotSentBack) {
    struct Case { const char* cause; std::function<void(ProgramRig&)> end; };
    // The procedure starts in the cycle after Enter, whose send goes first.
    const std::vector<Case> cases = {
        {"Connect", [](ProgramRig& r) { r.main().cmd00_Click(0); }},
        {"a port change", [](ProgramRig& r) { r.main().mnuOptSelCom_Click(2); }},
        {"a guided procedure", [](ProgramRig& r) {
             r.select(kLineTxf);
             r.win.viewAnswers = {true};
             r.key(keys::kEnter);
         }},
        {"closing the window", [](ProgramRig& r) {
             r.win.viewAnswers = {true};
             EXPECT_TRUE(r.main().Form_MayClose());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        ZtN7Sim radio;
        zsim::ZtN7SimPeer line{radio};
        ProgramRig r{&line};
        ASSERT_TRUE(StartConnected(r));
        for (int line : {kLinePowerHi, kLineBalance, kLineSql}) {
            r.select(line);
            r.key(keys::kRight);
            r.runFor(1000);
        }
        r.win.viewAnswers = {true};
        r.main().mnuFileRevert_Click();
        ASSERT_EQ(r.op().ValuesPending(), 3u);
        r.win.views.clear();
        c.end(r);
        r.runFor(1000);
        EXPECT_EQ(r.op().ValuesPending(), 0u);
        const bool closing = std::string(c.cause) == "closing the window";
        const bool asked = closing || std::string(c.cause) == "a guided procedure";
        if (asked) {
            // Asked first, with the values that would not go back.
            ASSERT_FALSE(r.win.views.empty());
            EXPECT_NE(r.win.views[0].text.find("The revert has not sent 3 values back yet"), std::string::npos)
                << r.win.views[0].text;
            EXPECT_NE(r.win.views[0].text.find("Power(Hi) (address 79)"), std::string::npos);
        }
        const bool procedure = std::string(c.cause) == "a guided procedure";
        std::vector<std::string> notSent = {"Balance (address 74)", "SQL (address 274)"};
        if (!procedure) notSent.insert(notSent.begin(), "Power(Hi) (address 79)");
        if (!closing) {
            ASSERT_FALSE(r.desktop.messages.empty());
            const std::string& m = r.desktop.messages.back();
            EXPECT_NE(m.find(std::string("The revert was ended by ") + c.cause + ": " +
                             std::to_string(notSent.size()) + " values were not sent back"),
                      std::string::npos)
                << m;
            for (const auto& item : notSent) EXPECT_NE(m.find(item), std::string::npos) << item << "\n" << m;
            if (procedure) EXPECT_EQ(m.find("Power(Hi)"), std::string::npos) << m;
        }
        // The connection's record on disk (Connect starts a new one).
        const std::string record = testsupport::ReadFile(FilesIn(r.archiveFolder, ".csv").front());
        int rows = 0;
        for (const auto& row : Rows(record)) rows += row.size() == 7 && row[6] == std::string("revert not sent: ") + c.cause;
        EXPECT_EQ(rows, static_cast<int>(notSent.size())) << record;
    }
}

TEST_F(Verify, ClosingTheWindowIsCancelledWhenTheUserKeepsTheRevertGoing) {
    Start();
    Connect();
    ASSERT_NO_FATAL_FAILURE(StepThreeAndRevert());
    rig.win.views.clear();
    rig.win.viewAnswers = {false};
    EXPECT_FALSE(rig.main().Form_MayClose());
    ASSERT_TRUE(AllSent());  // the revert went on
    EXPECT_EQ(RowsBy("revert").size(), 3u);
    EXPECT_TRUE(rig.main().Form_MayClose());  // nothing left to lose: no question
    EXPECT_EQ(rig.win.views.size(), 2u);       // the close question and the revert's end
}

// A full disk (or no data folder) leaves the record in memory: told, shown
// in the window, saved elsewhere on request, and asked about before a close.
TEST_F(Verify, ARecordOnlyInMemoryIsToldShownAndCanBeSavedElsewhere) {
    struct Case { const char* name; bool failWrites; int appendsAllowed; bool noFolder; };
    const std::vector<Case> cases = {
        {"the disk is full at the archive", true, 0, false},
        {"the disk fills at the record", false, 2, false},
        {"no data folder", false, 1 << 30, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ZtN7Sim radio;
        zsim::ZtN7SimPeer line{radio};
        ProgramRig r{&line};
        FailingStorage full(r.storage, c.failWrites, c.appendsAllowed);
        platform::FileStorage none{std::string()};
        platform::SetStorage(c.noFolder ? static_cast<platform::IStorage*>(&none) : &full);
        ASSERT_TRUE(StartConnected(r));
        r.select(kLinePowerHi);
        r.key(keys::kRight);
        r.runFor(2000);
        ASSERT_EQ(r.desktop.messages.size(), 1u);
        EXPECT_NE(r.desktop.messages[0].find("The service record is not being kept on disk"), std::string::npos)
            << r.desktop.messages[0];
        EXPECT_NE(r.win.lblSafetyNet.text.find("Service record only in memory, not on disk"), std::string::npos)
            << r.win.lblSafetyNet.text;
        EXPECT_TRUE(r.win.mnuFileServiceRecord.isEnabled);
        // Closing asks; kept open when the user says so.
        r.win.viewAnswers = {false};
        EXPECT_FALSE(r.main().Form_MayClose());
        ASSERT_EQ(r.win.views.size(), 1u);
        EXPECT_NE(r.win.views[0].text.find("only in memory, not on disk: closing loses it"), std::string::npos);
        // Saved elsewhere from File, Service record...
        const std::string target = r.dir.file("kept-record.csv");
        r.win.viewAnswers = {true};
        r.win.saveAnswer = target;
        r.main().mnuFileServiceRecord_Click();
        ASSERT_EQ(r.win.views.size(), 2u);
        EXPECT_EQ(r.win.views[1].okCaption, "&Save as...");
        EXPECT_EQ(testsupport::ReadFile(target), r.program->record().RecordText());
        EXPECT_NE(testsupport::ReadFile(target).find(",Power(Hi),79,"), std::string::npos);
        // Nothing more to lose: the close asks no more.
        EXPECT_TRUE(r.main().Form_MayClose());
        EXPECT_EQ(r.win.views.size(), 2u);
        r.main().lboConsole_KeyDown(keys::kRight, false);
        r.runFor(1000);
        r.win.viewAnswers = {true};
        EXPECT_TRUE(r.main().Form_MayClose());  // a new row: asked again
        EXPECT_EQ(r.win.views.size(), 3u);
    }
}

TEST_F(Verify, SweepRowsSayBandPassSweepAndAStepAwayAndBackInTheFirstCycleKeepsItsRow) {
    Start();
    ASSERT_TRUE(rig.Connect());
    // During the first cycle: Power(Hi) one up and, once that reached the
    // radio, back again. (Taking every send of the first cycle that equals
    // the value as read for the cycle's own, as before, loses the way back.)
    const int asRead = sim.byteAt(rign7ee::kPowerHi);
    rig.select(kLinePowerHi);
    rig.key(keys::kRight);
    ASSERT_TRUE(rig.runUntil([&] { return sim.byteAt(rign7ee::kPowerHi) == asRead + 1; }, 5000));
    rig.key(keys::kLeft);
    ASSERT_TRUE(AllSent());
    rig.runFor(500);
    const auto rows = Rows(RecordText());
    ASSERT_EQ(rows.size(), 3u) << RecordText();
    EXPECT_EQ(rows[0][1], "Power(Hi)");
    EXPECT_EQ(rows[0][5], std::to_string(asRead + 1));
    EXPECT_EQ(rows[1][1], "Power(Hi)");
    EXPECT_EQ(rows[1][5], std::to_string(asRead));  // back at the value as read
    EXPECT_EQ(rows[2][6], "connect");                // the first cycle ended after both

    // A sweep of one band-pass point: every row says so, signed as shown.
    rig.select(kLineBpfT2);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return rig.op().ProcedureRunning(); }, 5000));
    ASSERT_TRUE(rig.runUntil([&] { return !rig.op().ProcedureRunning(); }, 600000));
    ASSERT_TRUE(AllSent());
    const auto sweep = RowsBy("band-pass sweep");
    EXPECT_GE(sweep.size(), 200u);
    bool negative = false;
    for (const auto& r : sweep) {
        EXPECT_EQ(r[1], "BPF T2");
        negative = negative || r[5].rfind("-", 0) == 0;
    }
    EXPECT_TRUE(negative);
    for (const auto& r : RowsBy("key")) EXPECT_NE(r[1], "BPF T2");
}

}  // namespace

namespace {
TEST_F(Verify, AConnectAfterAWholeRevertTellsNothing) {
    Start();
    Connect();
    RunTxf();
    ASSERT_TRUE(AllSent());
    Revert();
    ASSERT_TRUE(AllSent());
    rig.runFor(2000);
    rig.desktop.messages.clear();
    Connect();
    rig.runFor(1000);
    EXPECT_TRUE(rig.desktop.messages.empty()) << rig.desktop.messages[0];
}
}  // namespace
