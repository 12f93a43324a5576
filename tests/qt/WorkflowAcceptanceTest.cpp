// A technician's whole session with the real window, the real program and
// the Qt serial control against the simulator executable on a
// pseudo-terminal, driven only through the window: start, Connect, step
// items, run the three guided procedures, reload, look at the parameter
// display, change the port, lose the radio in the middle of the cycle,
// reconnect, exit. Afterwards the profile holds the chosen options and the
// radio's EEPROM holds exactly what the console showed. A second session
// reverts its adjustments through the File menu and restores those of an
// earlier session from its archived image.
#include <QPlainTextEdit>
#include <QRegularExpression>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/clsIndOp_RigN7.h"
#include "qt/WindowWithSim.h"

namespace {

using namespace qtwin;

class WorkflowAcceptance : public WindowWithSim {
protected:
    // The simulated radio keeps its EEPROM in one file across restarts and
    // always appears under the same path, as a cable plugged in again would.
    std::unique_ptr<SimExe> PlugIn() {
        return std::make_unique<SimExe>(QStringList{
            QStringLiteral("--link"), QString::fromStdString(link), QStringLiteral("--image"),
            QString::fromStdString(eeprom), QStringLiteral("--save"), QString::fromStdString(eeprom),
            QStringLiteral("--control"), QString::fromStdString(control)});
    }

    QListWidget* console() const { return window->consoleList(); }
    QString line(int row) const { return console()->item(row)->text(); }
    QString portText() const { return window->portLabel()->text(); }

    bool Connect() {
        QTest::mouseClick(window->button(0), Qt::LeftButton);
        return QTest::qWaitFor([&] { return ConnectedAndRead(*window); }, 60000);
    }

    // Selects the line starting with `title` with the mouse and gives the
    // console the focus; returns its row.
    int Select(const QString& title) {
        const int row = RowStartingWith(console(), title);
        if (row < 0) return row;
        console()->setFocus();
        EXPECT_TRUE(QTest::qWaitFor([&] { return console()->hasFocus(); }, 2000));
        const QRect r = console()->visualItemRect(console()->item(row));
        QTest::mouseClick(console()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        return console()->currentRow() == row ? row : -1;
    }

    // A key on the console, then the wait until the line shows a change.
    bool StepAndSee(int row, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QString before = line(row);
        QTest::keyClick(console(), key, mods);
        return QTest::qWaitFor([&] { return line(row) != before; }, 5000);
    }

    // Everything the console changed has gone out to the radio.
    bool AllSent() {
        return QTest::qWaitFor(
            [&] {
                for (std::int16_t i = 0; i < program->console().ListCount(); ++i)
                    if (program->console().flgChanged(i)) return false;
                return !program->sequencer().OpRunning();
            },
            10000);
    }

    bool LineHas(int row, const QString& text, int ms) {
        return QTest::qWaitFor([&] { return line(row).contains(text); }, ms);
    }

    // The window is active again once a modal window of it has closed.
    bool Reactivate() {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get(), 5000);
    }

    // Every adjustable value has gone out, the values sent back too.
    bool AllSentBack() {
        return AllSent() &&
               QTest::qWaitFor([&] { return program->operation().ValuesPending() == 0 && !program->sequencer().OpRunning(); },
                               30000) &&
               AllSent();
    }

    // The transmit-frequency table: Enter, set, Enter, set, Enter.
    // `row` receives the procedure's console line.
    void RunTxf(int* row = nullptr) {
        const int txf = Select(QStringLiteral("       TXF"));
        ASSERT_GE(txf, 0);
        if (row != nullptr) *row = txf;
        QTest::keyClick(console(), Qt::Key_Return);
        ASSERT_TRUE(LineHas(txf, QStringLiteral(": 1st TX Freq = "), 10000)) << line(txf).toStdString();
        ASSERT_TRUE(StepAndSee(txf, Qt::Key_Right, Qt::ShiftModifier));
        QTest::keyClick(console(), Qt::Key_Return);
        ASSERT_TRUE(LineHas(txf, QStringLiteral(": 2nd TX Freq = "), 10000)) << line(txf).toStdString();
        ASSERT_TRUE(StepAndSee(txf, Qt::Key_Right));
        const int beeps = desktop.beeps;
        QTest::keyClick(console(), Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.beeps > beeps; }, 30000));
    }

    std::vector<std::string> Archives() const {
        std::vector<std::string> out;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(archiveFolder, ec))
            if (e.path().extension() == ".bin") out.push_back(e.path().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string link = dir.file("radio.tty");
    std::string eeprom = dir.file("radio-eeprom.bin");
    std::string control = dir.file("radio-control");
};

TEST_F(WorkflowAcceptance, ATechniciansSessionFromStartToExit) {
    auto sim = PlugIn();
    ASSERT_FALSE(sim->path().empty()) << "zt-n7-sim did not start: " << sim->errors().toStdString();
    ASSERT_TRUE(Start(link));

    // Start: the title, the port closed, no image to back up yet.
    ASSERT_TRUE(QTest::qWaitFor([&] { return portText() == QStringLiteral("COM1: CLOSE"); }, 2000)) << portText().toStdString();
    EXPECT_TRUE(window->titleLabel()->isVisible());
    EXPECT_FALSE(console()->isVisible());
    EXPECT_FALSE(window->saveImageAction()->isEnabled());

    // Connect: the radio's image is read and the console comes up.
    ASSERT_TRUE(Connect()) << "messages: " << desktop.messages.size()
                           << (desktop.messages.empty() ? "" : " first: " + desktop.messages.front());
    EXPECT_EQ(portText(), QStringLiteral("COM1: OPEN"));
    EXPECT_FALSE(window->titleLabel()->isVisible());
    EXPECT_TRUE(window->saveImageAction()->isEnabled());

    // Step several items, one way and the other, singly and by five.
    const int powerHi = Select(QStringLiteral(" Power(Hi)"));
    ASSERT_GE(powerHi, 0);
    ASSERT_TRUE(StepAndSee(powerHi, Qt::Key_Right));
    const int powerL2 = Select(QStringLiteral(" Power(L2)"));
    ASSERT_TRUE(StepAndSee(powerL2, Qt::Key_Right, Qt::ShiftModifier));
    const int balance = Select(QStringLiteral("   Balance"));
    ASSERT_TRUE(StepAndSee(balance, Qt::Key_Left));
    ASSERT_TRUE(StepAndSee(balance, Qt::Key_Left));
    const int bpfT2 = Select(QStringLiteral("    BPF T2"));
    ASSERT_TRUE(StepAndSee(bpfT2, Qt::Key_Left, Qt::ShiftModifier));
    ASSERT_TRUE(AllSent());

    // Auto release after 2 s: the port closes while nothing is sent and opens
    // again for the next change.
    window->releaseAction(2)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->releaseAction(2)->isChecked(); }, 2000));

    // The transmit-frequency table: Enter, set, Enter, set, Enter.
    int txf = -1;
    ASSERT_NO_FATAL_FAILURE(RunTxf(&txf));
    EXPECT_TRUE(LineHas(txf, QStringLiteral(": [Enter] to Start"), 5000)) << line(txf).toStdString();

    // The S-meter points: Enter stores nothing yet, Enter stores S3, Enter S1.
    const int sMeter = Select(QStringLiteral("   S-METER"));
    ASSERT_GE(sMeter, 0);
    // Each time the technician reads the level before pressing Enter.
    QTest::keyClick(console(), Qt::Key_Return);
    ASSERT_TRUE(LineHas(sMeter, QStringLiteral(": RSSI S3 Level "), 10000)) << line(sMeter).toStdString();
    QTest::qWait(1000);
    QTest::keyClick(console(), Qt::Key_Return);
    ASSERT_TRUE(LineHas(sMeter, QStringLiteral(": RSSI S1 Level "), 10000)) << line(sMeter).toStdString();
    QTest::qWait(1000);
    const int beepsBeforeSMeter = desktop.beeps;
    QTest::keyClick(console(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.beeps > beepsBeforeSMeter; }, 30000)) << line(sMeter).toStdString();
    EXPECT_TRUE(LineHas(sMeter, QStringLiteral(": [Enter] to Start"), 5000)) << line(sMeter).toStdString();

    // The band-pass sweep of one point settles on the radio's peak.
    ASSERT_TRUE(SendControl(control, "sd-peak -20\n"));
    const int bpfT1 = Select(QStringLiteral("    BPF T1"));
    ASSERT_GE(bpfT1, 0);
    const int beepsBeforeBpf = desktop.beeps;
    QTest::keyClick(console(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.beeps > beepsBeforeBpf; }, 240000)) << line(bpfT1).toStdString();
    ASSERT_TRUE(AllSent());
    EXPECT_EQ(program->console().Value(static_cast<std::int16_t>(bpfT1)), -20);
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();

    // Reload: the read-outs show what the radio measures now.
    ASSERT_TRUE(SendControl(control, "temp 200\n"));
    QTest::keyClick(console(), Qt::Key_F5);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->readoutList(0)->item(2)->text().startsWith(QStringLiteral("TEMPS:200:")); }, 10000))
        << window->readoutList(0)->item(2)->text().toStdString();

    // The parameter display and back with Esc.
    QTest::mouseClick(window->button(2), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->paramText()->isVisible(); }, 10000));
    EXPECT_FALSE(window->paramText()->toPlainText().isEmpty());
    EXPECT_FALSE(console()->isVisible());
    window->paramText()->setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->paramText()->hasFocus(); }, 2000));
    QTest::keyClick(window->paramText(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return console()->isVisible() && !window->paramText()->isVisible(); }, 10000));

    // Another port in the menu: everything goes back to idle, port closed.
    ASSERT_TRUE(AllSent());
    window->portAction(2)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return portText() == QStringLiteral("COM2: CLOSE"); }, 2000));
    EXPECT_TRUE(window->portAction(2)->isChecked());
    EXPECT_FALSE(console()->isVisible());
    EXPECT_TRUE(window->titleLabel()->isVisible());
    EXPECT_FALSE(serial->portOpen());
    window->portAction(1)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return portText() == QStringLiteral("COM1: CLOSE"); }, 2000));

    // Reconnect, then the radio is pulled away while the read-outs are read.
    ASSERT_TRUE(Connect());
    const int sql = Select(QStringLiteral("       SQL"));
    ASSERT_TRUE(StepAndSee(sql, Qt::Key_Right));
    ASSERT_TRUE(AllSent());
    ASSERT_TRUE(desktop.messages.empty()) << desktop.messages.front();
    // F5 reads thirteen lines; the port (closed by the auto release) opens
    // for them, and the radio goes away in the middle. The lines come back
    // within a few milliseconds each, so the radio first stops answering
    // them: the program is then surely waiting for one when it goes.
    ASSERT_TRUE(SendControl(control, "fault drop-readouts\n"));
    QTest::qWait(200);
    QTest::keyClick(console(), Qt::Key_F5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return serial->portOpen() && program->com().xfr3D().answerWait(); }, 2000));
    ASSERT_TRUE(sim->stop());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !desktop.messages.empty(); }, 15000))
        << "state " << program->operation().OpState() << ", link busy " << program->sequencer().OpRunning()
        << ", answer awaited " << program->com().xfr3D().answerWait() << ", port open " << serial->portOpen()
        << ", step " << program->sequencer().step() << ", op " << program->sequencer().Operation();
    QTest::qWait(2000);  // one message, not one per tick
    ASSERT_EQ(desktop.messages.size(), 1u);
    // The cause below it depends on whether the echo of the last request
    // came back before the radio went.
    const std::string noAnswer =
        "No answer from transceiver.\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n"
        "- Cloning cable connections.\r\n- Transceiver power is ON.\r\n\r\n";
    const std::string echoed =
        "The echo of what was sent came back: the adapter and the cable work.\r\n"
        "The radio is off, not plugged into the cable's socket, or not a ZT-N7 at this speed.";
    const std::string nothing =
        "Nothing came back, not even the echo of what was sent:\r\nthe adapter, the cable or the port mapping is wrong.";
    EXPECT_TRUE(desktop.messages[0] == noAnswer + echoed || desktop.messages[0] == noAnswer + nothing)
        << desktop.messages[0];
    // Idle, and the device behind COM1 has gone with the radio.
    EXPECT_TRUE(QTest::qWaitFor([&] { return portText() == QStringLiteral("COM1: not present"); }, 10000));
    EXPECT_FALSE(serial->portOpen());
    EXPECT_FALSE(console()->isVisible());
    EXPECT_EQ(window->button(0)->text(), QStringLiteral("Connect"));
    const ByteStr heldBeforeReconnect = program->radio().eepImage().bytes();

    // Plugged in again: the image read back is the one the radio kept.
    sim = PlugIn();
    ASSERT_FALSE(sim->path().empty()) << sim->errors().toStdString();
    desktop.messages.clear();
    ASSERT_TRUE(Connect()) << (desktop.messages.empty() ? "" : desktop.messages.front());
    EXPECT_EQ(program->radio().eepImage().bytes(), heldBeforeReconnect);
    const int modN = Select(QStringLiteral("     MOD N"));
    ASSERT_TRUE(StepAndSee(modN, Qt::Key_Left, Qt::ShiftModifier));
    ASSERT_TRUE(AllSent());
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();

    // What the console shows, item by item, before the program ends.
    std::vector<std::pair<std::int32_t, int>> shown;
    for (std::int16_t i = 0; i < program->console().ListCount(); ++i) {
        const std::int32_t adr = program->console().EeAdr(i);
        if (adr >= 0) shown.emplace_back(adr, program->console().Value(i));
    }
    ASSERT_EQ(shown.size(), 12u);
    const ByteStr image = program->radio().eepImage().bytes();

    // Exit from the menu: the window closes, the options are saved.
    window->exitAction()->trigger();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(window->isVisible());
    const std::string profile = ReadFile(profilePath);
    EXPECT_NE(profile.find("ComPort=1"), std::string::npos) << profile;
    EXPECT_NE(profile.find("ComAutoRelease=2"), std::string::npos) << profile;
    EXPECT_NE(profile.find("COM1=" + link), std::string::npos) << profile;

    // The radio's EEPROM holds exactly what the console showed, and the
    // whole image equals the program's copy.
    ASSERT_TRUE(sim->stop());
    const std::string saved = ReadFile(eeprom);
    ASSERT_EQ(saved.size(), 12288u);
    for (const auto& [adr, value] : shown) {
        const auto byte = static_cast<std::uint8_t>(saved[static_cast<std::size_t>(adr)]);
        const int stored = (adr >= rign7ee::kBpfT1 && adr < rign7ee::kBpfT1 + 4) ? static_cast<std::int8_t>(byte) : byte;
        EXPECT_EQ(stored, value) << "address " << adr;
    }
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), image.begin(), image.end(),
                           [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
}

TEST_F(WorkflowAcceptance, ATechnicianRevertsAndRestoresThroughTheFileMenu) {
    auto sim = PlugIn();
    ASSERT_FALSE(sim->path().empty()) << "zt-n7-sim did not start: " << sim->errors().toStdString();
    ASSERT_TRUE(Start(link));
    EXPECT_FALSE(window->revertAction()->isEnabled());
    EXPECT_FALSE(window->compareAction()->isEnabled());
    ASSERT_TRUE(Connect()) << (desktop.messages.empty() ? "" : desktop.messages.front());
    ASSERT_TRUE(AllSent());

    // The read is archived as it came.
    const auto first = Archives();
    ASSERT_EQ(first.size(), 1u);
    const std::string archived = ReadFile(first[0]);
    ASSERT_EQ(archived.size(), 12288u);
    EXPECT_EQ(ByteStr(archived.begin(), archived.end()), program->operation().ImageAsRead());
    EXPECT_TRUE(window->serviceRecordAction()->isEnabled());
    EXPECT_FALSE(window->revertAction()->isEnabled());  // nothing differs yet

    // Steps and the transmit-frequency table.
    const int powerHi = Select(QStringLiteral(" Power(Hi)"));
    ASSERT_TRUE(StepAndSee(powerHi, Qt::Key_Right, Qt::ShiftModifier));
    const int bpfT3 = Select(QStringLiteral("    BPF T3"));
    ASSERT_TRUE(StepAndSee(bpfT3, Qt::Key_Left));
    ASSERT_NO_FATAL_FAILURE(RunTxf());
    ASSERT_TRUE(AllSent());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->revertAction()->isEnabled(); }, 2000));

    // File, Revert: the list of what differs, OK, and the values go back.
    const QString lineBefore = line(powerHi);
    QString listed;
    QString ended;
    ModalAnswers answers;
    answers.then(ModalAnswers::TextView(true, &listed));
    answers.then(ModalAnswers::TextView(false, &ended));  // its end: no verify now
    window->revertAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 30000));
    EXPECT_TRUE(ended.startsWith(QStringLiteral("Reverted: "))) << ended.toStdString();
    EXPECT_TRUE(listed.contains(QStringLiteral("Power(Hi)"))) << listed.toStdString();
    EXPECT_TRUE(listed.contains(QStringLiteral("TXF point"))) << listed.toStdString();
    ASSERT_TRUE(AllSentBack());
    EXPECT_NE(line(powerHi), lineBefore);  // the console line follows
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->revertAction()->isEnabled(); }, 2000));
    EXPECT_EQ(program->radio().eepImage().bytes(), program->operation().ImageAsRead());
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();

    // The record of the session, read-only from the menu.
    QString record;
    answers.then(ModalAnswers::TextView(false, &record));
    window->serviceRecordAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 5000));
    EXPECT_TRUE(record.contains(QStringLiteral(",Power(Hi),79,"))) << record.toStdString();
    EXPECT_TRUE(record.contains(QStringLiteral(",revert"))) << record.toStdString();
    EXPECT_TRUE(record.contains(QStringLiteral(",TXF"))) << record.toStdString();

    // The radio's EEPROM equals the image as read, byte for byte.
    ASSERT_TRUE(sim->stop());
    EXPECT_EQ(ReadFile(eeprom), archived);

    // A later session: the radio's values change, then the earlier
    // session's archive is restored from the File menu.
    sim = PlugIn();
    ASSERT_FALSE(sim->path().empty()) << sim->errors().toStdString();
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(AllSent());
    ASSERT_EQ(Archives().size(), 2u);
    ASSERT_TRUE(Reactivate());
    const int sql = Select(QStringLiteral("       SQL"));
    ASSERT_TRUE(StepAndSee(sql, Qt::Key_Right, Qt::ShiftModifier));
    const int modW = Select(QStringLiteral("     MOD W"));
    ASSERT_TRUE(StepAndSee(modW, Qt::Key_Left));
    ASSERT_TRUE(AllSent());
    const ByteStr changed = program->radio().eepImage().bytes();
    ASSERT_NE(ByteStr(archived.begin(), archived.end()), changed);

    QString compared;
    QString confirmed;
    answers.then(ModalAnswers::ChooseFile(first[0]));
    answers.then(ModalAnswers::TextView(true, &compared));
    answers.then(ModalAnswers::TextView(true, &confirmed));
    answers.then(ModalAnswers::TextView(false, &ended));  // its end: no verify now
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->restoreAction()->isEnabled(); }, 2000));
    window->restoreAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 30000));
    EXPECT_TRUE(compared.contains(QStringLiteral("2 adjustable bytes differ"))) << compared.toStdString();
    EXPECT_FALSE(confirmed.contains(QStringLiteral("another unit"))) << confirmed.toStdString();
    EXPECT_TRUE(ended.startsWith(QStringLiteral("Restored: 2 values sent"))) << ended.toStdString();
    ASSERT_TRUE(AllSentBack());
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();

    window->exitAction()->trigger();
    ASSERT_TRUE(sim->stop());
    // The radio holds the earlier session's adjustments, and nothing else changed.
    EXPECT_EQ(ReadFile(eeprom), archived);
}

// Proof on the radio through the window: steps and the TXF table, then
// File, Verify radio...: all stored. Then the radio ignores Power(Hi): the
// verify lists it with the value expected and the value found, and the
// record holds the row. Revert's dialog is worked from the keyboard alone.
TEST_F(WorkflowAcceptance, VerifyRadioProvesTheValuesSentAndCatchesOneTheRadioIgnored) {
    auto sim = PlugIn();
    ASSERT_FALSE(sim->path().empty()) << "zt-n7-sim did not start: " << sim->errors().toStdString();
    ASSERT_TRUE(Start(link));
    EXPECT_FALSE(window->verifyAction()->isEnabled());
    ASSERT_TRUE(Connect()) << (desktop.messages.empty() ? "" : desktop.messages.front());
    ASSERT_TRUE(AllSent());
    EXPECT_FALSE(window->verifyAction()->isEnabled());  // nothing sent since the read

    const int powerHi = Select(QStringLiteral(" Power(Hi)"));
    ASSERT_TRUE(StepAndSee(powerHi, Qt::Key_Right));
    const int balance = Select(QStringLiteral("   Balance"));
    ASSERT_TRUE(StepAndSee(balance, Qt::Key_Left));
    ASSERT_NO_FATAL_FAILURE(RunTxf());
    ASSERT_TRUE(AllSent());
    const QLabel* status = window->safetyNetLabel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text().endsWith(QStringLiteral(" values sent, not verified")); },
                                2000))
        << status->text().toStdString();
    EXPECT_TRUE(status->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->verifyAction()->isEnabled(); }, 2000));

    QString result;
    ModalAnswers answers;
    answers.then(ModalAnswers::TextView(false, &result));
    window->verifyAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 60000));
    EXPECT_TRUE(result.startsWith(QStringLiteral("Verified: the radio holds all "))) << result.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().isEmpty(); }, 2000)) << status->text().toStdString();
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ConnectedAndRead(*window); }, 10000));  // the cycle goes on

    // The radio takes Power(Hi) commands and keeps its value.
    ASSERT_TRUE(SendControl(control, "fault ignore-command=05\n"));
    QTest::qWait(200);
    ASSERT_TRUE(Reactivate());
    const int held = program->console().Value(static_cast<std::int16_t>(powerHi));
    ASSERT_GE(Select(QStringLiteral(" Power(Hi)")), 0);
    ASSERT_TRUE(StepAndSee(powerHi, Qt::Key_Right));
    ASSERT_TRUE(StepAndSee(powerHi, Qt::Key_Right));
    ASSERT_TRUE(AllSent());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->verifyAction()->isEnabled(); }, 2000));
    answers.then(ModalAnswers::TextView(false, &result));
    window->verifyAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 60000));
    EXPECT_TRUE(result.startsWith(QStringLiteral("Not stored: the radio does not hold the value sent since")))
        << result.toStdString();
    const QRegularExpression row(QStringLiteral("Power\\(Hi\\) +79 +%1 +%2\n").arg(held + 2).arg(held));
    EXPECT_TRUE(row.match(result).hasMatch()) << result.toStdString();
    // The console shows what the radio holds.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return program->console().Value(static_cast<std::int16_t>(powerHi)) == held; }, 5000));

    QString record;
    answers.then(ModalAnswers::TextView(false, &record));
    ASSERT_TRUE(Reactivate());
    window->serviceRecordAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 5000));
    EXPECT_TRUE(record.contains(QStringLiteral(",Verify: 1 of 1 value not stored,,,,,verify"))) << record.toStdString();
    EXPECT_TRUE(record.contains(QStringLiteral(",Power(Hi),79,%1,,,verify: not stored (expected %2 found %3)")
                                    .arg(program->operation().ImageAsRead()[rign7ee::kPowerHi])
                                    .arg(held + 2)
                                    .arg(held)))
        << record.toStdString();

    // Revert from the keyboard: the text names the button, Shift+Tab from the
    // focused Cancel reaches it, and its access key presses it.
    ASSERT_TRUE(SendControl(control, "clear-faults\n"));
    QTest::qWait(200);
    ASSERT_TRUE(Reactivate());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->revertAction()->isEnabled(); }, 2000));
    bool reached = false;
    bool accessKey = false;
    QString dialogText;
    QString okText;
    answers.then([&](QWidget* w) {
        auto* ok = w->findChild<QPushButton*>(QStringLiteral("textViewOk"));
        auto* cancel = w->findChild<QPushButton*>(QStringLiteral("textViewCancel"));
        if (auto* t = w->findChild<QPlainTextEdit*>(QStringLiteral("textViewText"))) dialogText = t->toPlainText();
        if (ok == nullptr || cancel == nullptr) return static_cast<QDialog*>(w)->reject();
        okText = ok->text();
        w->activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(w, 2000));
        cancel->setFocus();
        for (int i = 0; i < 4 && !reached; ++i) {
            QWidget* focused = w->focusWidget() != nullptr ? w->focusWidget() : w;
            QTest::keyClick(focused, Qt::Key_Backtab, Qt::ShiftModifier);
            reached = ok->hasFocus();
        }
        // The access key from wherever the focus is.
        cancel->setFocus();
        QTest::keyClick(cancel, Qt::Key_R, Qt::AltModifier);
        // The access key presses the button as a click shown on it would (after a moment).
        accessKey = QTest::qWaitFor([&] { return !w->isVisible(); }, 2000);
        if (w->isVisible()) ok->click();
    });
    QString endText;
    answers.then(ModalAnswers::TextView(true, &endText));   // "verify now?": yes
    answers.then(ModalAnswers::TextView(false, &result));  // the verify's result
    window->revertAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 120000));
    EXPECT_TRUE(dialogText.contains(QStringLiteral("Revert sends the values as read back"))) << dialogText.toStdString();
    EXPECT_EQ(okText, QStringLiteral("&Revert"));
    EXPECT_TRUE(reached);
    EXPECT_TRUE(accessKey);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Reverted: \\d+ values sent \u2014 verify now\\?")).match(endText).hasMatch())
        << endText.toStdString();
    EXPECT_TRUE(result.startsWith(QStringLiteral("Verified: the radio holds all "))) << result.toStdString();
    EXPECT_EQ(program->radio().eepImage().bytes(), program->operation().ImageAsRead());
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();
    window->exitAction()->trigger();
    EXPECT_EQ(ended, 1);
}

}  // namespace
