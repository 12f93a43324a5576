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
#include "shell/ServiceRecord.h"
#include "support/ConsoleLines.h"
#include "support/ProgramRig.h"

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
    void StepBy(int line, int steps) {
        rig.select(line);
        for (int i = 0; i < std::abs(steps); ++i) {
            rig.key(steps > 0 ? keys::kRight : keys::kLeft);
            rig.tick();
        }
    }
    bool AllSent(int ms = 120000) {
        return rig.runUntil(
            [&] {
                for (std::int16_t i = 0; i < rig.console().ListCount(); ++i)
                    if (rig.console().flgChanged(i)) return false;
                return rig.op().ValuesPending() == 0 && !rig.seq().OpRunning();
            },
            ms);
    }
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
    bool LineHas(int line, const std::string& part) {
        return rig.win.lboConsole.list(line).find(part) != std::string::npos;
    }
    // The transmit-frequency procedure: Enter, step, Enter, step, Enter.
    void RunTxf() {
        const int beeps = rig.desktop.beeps;
        rig.select(kLineTxf);
        rig.key(keys::kEnter);
        ASSERT_TRUE(rig.runUntil([&] { return LineHas(kLineTxf, ": 1st TX Freq = "); }, 20000));
        rig.runFor(1000);
        StepBy(kLineTxf, 7);
        rig.runFor(2000);
        rig.key(keys::kEnter);
        ASSERT_TRUE(rig.runUntil([&] { return LineHas(kLineTxf, ": 2nd TX Freq = "); }, 20000));
        rig.runFor(1000);
        StepBy(kLineTxf, 3);
        rig.runFor(2000);
        rig.key(keys::kEnter);
        ASSERT_TRUE(rig.runUntil([&] { return rig.desktop.beeps > beeps; }, 60000));
        rig.runFor(1000);
    }
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
                                 std::regex(R"(ZT-N7_2526-0100_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.bin)")))
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
    EXPECT_EQ(rig.win.views[0].okCaption, "Revert");
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
    ASSERT_TRUE(rig.runUntil([&] { return !rig.desktop.messages.empty(); }, 10000));
    EXPECT_EQ(rig.op().ValuesPending(), 0u);
    EXPECT_FALSE(rig.op().RigN7Prop_EditEnabled());
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

TEST_F(SafetyNet, AnotherRadiosFileNeedsAnExplicitExtraChoice) {
    Start();
    Connect();
    ByteStr other = sim.image();
    for (int a = 0x0200; a < 0x0240; ++a) other[static_cast<std::size_t>(a)] ^= 0x11;  // its channels
    other[rign7ee::kPowerHi] ^= 0x0F;
    const std::string path = rig.dir.file("other-radio.bin");
    testsupport::WriteFile(path, std::string(other.begin(), other.end()));
    const std::size_t mark = sim.e8Log().size();

    rig.win.openAnswer = path;
    rig.win.viewAnswers = {true, true};
    rig.win.tickAnswer = false;
    rig.main().mnuFileRestore_Click();
    ASSERT_EQ(rig.win.views.size(), 2u);
    EXPECT_NE(rig.win.views[1].text.find("probably comes from another radio"), std::string::npos);
    EXPECT_FALSE(rig.win.views[1].requiredTick.empty());
    rig.runFor(2000);
    EXPECT_EQ(rig.op().ValuesPending(), 0u);
    for (std::size_t i = mark; i < sim.e8Log().size(); ++i) EXPECT_NE(sim.e8Log()[i].code, rign7e8::kPowerHi);

    rig.win.viewAnswers = {true, true};
    rig.win.tickAnswer = true;
    rig.main().mnuFileRestore_Click();
    ASSERT_TRUE(AllSent());
    EXPECT_EQ(sim.byteAt(rign7ee::kPowerHi), other[rign7ee::kPowerHi]);
    EXPECT_NE(sim.byteAt(0x0200), other[0x0200]);
    EXPECT_EQ(sim.cloneWriteRequests(), 0);
}

TEST_F(SafetyNet, CompareShowsBothListingsWithTheDifferingLinesMarked) {
    Start();
    Connect();
    ByteStr saved = sim.image();
    saved[rign7ee::kPowerHi] = static_cast<std::uint8_t>(saved[rign7ee::kPowerHi] + 9);
    saved[rign7ee::kModN] = static_cast<std::uint8_t>(saved[rign7ee::kModN] + 1);
    const std::string path = rig.dir.file("saved.bin");
    testsupport::WriteFile(path, std::string(saved.begin(), saved.end()));
    EXPECT_TRUE(rig.win.mnuFileCompare.isEnabled);
    rig.win.openAnswer = path;
    rig.main().mnuFileCompare_Click();
    ASSERT_EQ(rig.win.views.size(), 1u);
    const auto lines = Lines(rig.win.views[0].text);
    EXPECT_EQ(lines[0], "2 adjustable bytes differ, 2 lines marked *.");
    int marked = 0;
    for (const auto& l : lines) {
        if (l.rfind("* ", 0) != 0) continue;
        ++marked;
        EXPECT_TRUE(l.find("POW HI Level") != std::string::npos || l.find("MOD N Level") != std::string::npos) << l;
    }
    EXPECT_EQ(marked, 2);
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
        FailingStorage full(r.storage);
        full.failWrites = c.failWrites;
        full.appendsAllowed = c.appendsAllowed;
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
