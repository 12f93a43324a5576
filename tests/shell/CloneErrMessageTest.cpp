// The text of the clone error report, chosen from the error state.
#include <gtest/gtest.h>

#include "shell/CloneErrMessage.h"

namespace {

const std::string kFull =
    "\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n- Cloning cable connections.\r\n"
    "- Transceiver power is ON.";

TEST(CloneErrMessage, ChoosesTheMessageByPrecedence) {
    struct Case {
        bool cannotOpen;
        std::int16_t port;
        bool overflow;
        std::int16_t lastError, seqError;
        std::string text;
    } cases[] = {
        {true, 2, false, 0, 0, "Cannot access COM2." + kFull},
        {true, 10, true, 3, 1, "Cannot access COM10." + kFull},  // A wins over everything
        {true, 12, false, 0, 0, "Cannot access COM12." + kFull},  // a number the host cannot open
        {false, 1, true, 3, 1, "COM buffer overflow." + kFull},   // B wins over the driver
        {false, 1, false, 2, 0, "No answer from transceiver." + kFull},
        {false, 1, false, 3, 2, "Illegal data." + kFull},  // driver wins over sequencer
        {false, 1, false, 5, 0, "Data overflow." + kFull},
        {false, 1, false, 7, 0,
         "Cannot write cloning data.\r\n\r\nCheck the following:\r\n- Cloning cable connections.\r\n"
         "- Transceiver power is ON."},
        {false, 1, false, 8, 0,
         "Cannot Clone.\r\n\r\nCheck the following:\r\n\r\n- The COM port settings.\r\n"
         "- Cloning cable connections.\r\n- Transceiver power is ON."},
        {false, 1, false, -1, 2,
         "Cannot Clone.\r\n\r\nCheck the following:\r\n\r\n- The COM port settings.\r\n"
         "- Cloning cable connections.\r\n- Transceiver power is ON."},
        {false, 1, false, 0, 0,
         "Communication failed.\r\n\r\nCheck the following:\r\n- Cloning cable connections.\r\n"
         "- Transceiver power is ON."},
        {false, 1, false, 0, 1, "Cannot Clone." + kFull},
        {false, 1, false, 0, 2, "Version number does not match\r\nfor this transceiver."},
        {false, 1, false, 0, 4, "Cannot Clone." + kFull},
    };
    for (const auto& c : cases) {
        CloneErrState s;
        s.errCannotOpen = c.cannotOpen;
        s.comPortNum = c.port;
        s.errOverflow = c.overflow;
        s.lastError = c.lastError;
        s.seqError = c.seqError;
        const std::string text = CloneErrMessage(s);
        EXPECT_EQ(text, c.text) << c.lastError << "/" << c.seqError;
        EXPECT_NE(text.substr(text.size() - 2), "\r\n");  // never a line end after the last line
    }
}

} // namespace
