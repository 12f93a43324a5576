// The simulator executable on a real pseudo-terminal, in real time: a radio
// that hangs during a clone write stalls the line until the program gives up
// queuing (driver code 8), and the control pipe changes the radio while it
// runs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/LinkStandIns.h"
#include "link/Xfr3Frame.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "platform/Timer.h"
#include "radio/clsCmcRadio.h"
#include "support/PosixSerialControl.h"
#include "support/PtyLinkRig.h"
#include "support/SimProcess.h"
#include "ZtN7Sim.h"

#ifdef ZS_SIM_EXE
namespace {

using clk = std::chrono::steady_clock;

// Sends one program frame and returns the body (EF EE ...) of the first frame
// the radio sends back within timeoutMs; empty when none came.
ByteStr Exchange(testsupport::PosixSerialControl& port, const ByteStr& data, int timeoutMs = 2000) {
    port.output(xfr3::BuildFrame(data));
    ByteStr body;
    bool in = false;
    const auto start = clk::now();
    while (clk::now() - start < std::chrono::milliseconds(timeoutMs)) {
        for (auto b : port.input()) {
            if (b == 0xFE) { body.clear(); in = true; }
            else if (b == 0xFD) {
                if (in && body.size() >= 2 && body[0] == 0xEF && body[1] == 0xEE) return body;
                in = false;
            } else if (in) body.push_back(b);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return {};
}

ByteStr Readout(testsupport::PosixSerialControl& port, std::uint8_t channel, int timeoutMs = 2000) {
    const char* hex = "0123456789ABCDEF";
    return Exchange(port, {0xE8, 0x25, 0x26, 0x01, 0x00, 0x03, static_cast<std::uint8_t>(hex[channel >> 4]),
                           static_cast<std::uint8_t>(hex[channel & 15])}, timeoutMs);
}

ByteStr Answer(char hi, char lo) {
    return {0xEF, 0xEE, 0xE8, 0x25, 0x26, 0x01, 0x00, 0x03, static_cast<std::uint8_t>(hi), static_cast<std::uint8_t>(lo)};
}

void Control(const std::string& fifo, const std::string& line) {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0) << fifo;
    const std::string text = line + "\n";
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
}

TEST(SimPty, CloneWriteIntoAHungRadioEndsInCodeEight) {
    testsupport::SimProcess proc(ZS_SIM_EXE, {"--fault", "hang-on-clone-write"});
    ASSERT_FALSE(proc.path().empty()) << "simulator did not start";
    testsupport::PtyLinkRig link(proc.path());
    auto& seq = link.seq;
    auto& com = link.com;
    seq.easyCloneWrite();
    link.RunWhileBusy(std::chrono::seconds(20));
    ASSERT_FALSE(seq.OpRunning());
    EXPECT_EQ(com.xfr3D().lastError(), clsCmcXfr3Drv::kErrCannotQueue);
    EXPECT_EQ(link.main.messages.size(), 1u);
    EXPECT_FALSE(com.comOpen());
    // The identity exchange came before the hang, so the records were the ones
    // that could not get through: the stall was detected part-way.
    EXPECT_GT(com.xfr3D().lastEeAdr(), 0);
    EXPECT_LT(com.xfr3D().lastEeAdr(), 0x2FFF);
    EXPECT_EQ(proc.stop(), 0);
}

TEST(SimPty, ControlPipeChangesTheRadioWhileItRuns) {
    const std::string fifo = ::testing::TempDir() + "zs-sim-control-" + std::to_string(getpid());
    testsupport::SimProcess proc(ZS_SIM_EXE, {"--temp", "100", "--sd-peak", "-3", "--control", fifo});
    ASSERT_FALSE(proc.path().empty()) << "simulator did not start";
    testsupport::PosixSerialControl port(proc.path());
    ASSERT_TRUE(port.setPortOpen(true)) << port.lastErrorText();

    EXPECT_EQ(Readout(port, 3), Answer('6', '4'));            // temperature 100 from the command line
    Control(fifo, "temp 200");
    EXPECT_EQ(Readout(port, 3), Answer('C', '8'));
    // SD at the peak of the band-pass point last set: 220.
    Exchange(port, {0xE8, 0x25, 0x26, 0x01, 0x00, 0x0D, 'F', 'D'}, 100);  // T2 = -3, no answer
    EXPECT_EQ(Readout(port, 4), Answer('D', 'C'));
    Control(fifo, "sd-plateau 10:13");
    EXPECT_EQ(Readout(port, 4), Answer('8', 'E'));            // 13 steps below the plateau: 220 - 78
    Control(fifo, "fault drop-readouts");
    EXPECT_TRUE(Readout(port, 0, 300).empty());
    Control(fifo, "clear-faults");
    EXPECT_EQ(Readout(port, 0), Answer('B', '0'));
    // Power(Hi) (its reference read-out is channel 12): ignored, then stored
    // one higher, then stored as sent.
    const ByteStr powerHi40 = {0xE8, 0x25, 0x26, 0x01, 0x00, 0x05, '4', '0'};
    Control(fifo, "fault ignore-command=05");
    Exchange(port, powerHi40, 100);
    EXPECT_EQ(Readout(port, 12), Answer('C', '8'));
    Control(fifo, "clear-faults");
    Control(fifo, "fault store-wrong=05");
    Exchange(port, powerHi40, 100);
    EXPECT_EQ(Readout(port, 12), Answer('4', '1'));
    Control(fifo, "clear-faults");
    Exchange(port, powerHi40, 100);
    EXPECT_EQ(Readout(port, 12), Answer('4', '0'));
    // Switched off behind the cable: the echo comes back, no answer.
    Control(fifo, "fault switched-off");
    EXPECT_TRUE(Readout(port, 0, 300).empty());
    Control(fifo, "clear-faults");
    port.setPortOpen(false);
    EXPECT_EQ(proc.stop(), 0);
    EXPECT_NE(::access(fifo.c_str(), F_OK), 0) << "the pipe the simulator made is removed at exit";
}

// The run script points --image and --save at the same file: the first run
// starts from the default image and leaves it for the next one; a file that
// is there but short is refused.
TEST(SimPty, MissingImageFileStartsFromTheDefaultImage) {
    const std::string file = ::testing::TempDir() + "zs-sim-eeprom-" + std::to_string(getpid()) + ".bin";
    std::remove(file.c_str());
    {
        testsupport::SimProcess proc(ZS_SIM_EXE, {"--image", file, "--save", file});
        ASSERT_FALSE(proc.path().empty()) << "simulator did not start without its image file";
        EXPECT_EQ(proc.stop(), 0);
    }
    zsim::ZtN7Sim saved;
    ASSERT_TRUE(saved.loadImage(file));
    EXPECT_EQ(saved.image(), zsim::ZtN7Sim::DefaultImage());
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fputs("short", f);
        std::fclose(f);
    }
    testsupport::SimProcess refused(ZS_SIM_EXE, {"--image", file}, 1000);
    EXPECT_TRUE(refused.path().empty());
    EXPECT_EQ(refused.stop(), 2);
    std::remove(file.c_str());
}

} // namespace
#endif
