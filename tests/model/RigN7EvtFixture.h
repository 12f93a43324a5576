#pragma once
// A ZT-N7 operation on recording controls and a scripted link, for the tests
// of the item table, the console event handlers, the task and the read-outs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/clsIndOp_RigN7.h"
#include "platform/mem/MemControls.h"
#include "support/MemWindowControls.h"

namespace rign7test {

// Records the sequencer calls; busy and the last answer are set by the test.
class ScriptLink : public IRigN7Link {
public:
    std::int16_t easySendE8NoAnswer(const std::string& spE8) override {
        sent.push_back(spE8);
        return 0;
    }
    void easyReset(std::int16_t portNo) override { resets.push_back(portNo); }
    bool OpRunning() const override { return busy; }
    void easyCloneRead() override {}
    bool CloneReadWhole() const override { return cloneWhole; }
    std::int16_t easySendE8ReqAnswer(const std::string& spE8) override {
        sent.push_back("?" + spE8);
        answer.clear();   // the driver forgets the previous answer
        return 0;
    }
    std::vector<std::string> sent;
    std::vector<std::int16_t> resets;
    bool busy = false;
    bool cloneWhole = true;
    ByteStr answer;
};

// Opens the operation's state and private steps to the tests.
class Probe : public clsIndOp_RigN7 {
public:
    using clsIndOp_RigN7::clsIndOp_RigN7;
    using clsIndOp_RigN7::adLast;
    using clsIndOp_RigN7::bpfAll;
    using clsIndOp_RigN7::bpfSelect;
    using clsIndOp_RigN7::CheckE8Answer;
    using clsIndOp_RigN7::chList;
    using clsIndOp_RigN7::commError;
    using clsIndOp_RigN7::curChannel;
    using clsIndOp_RigN7::daLast;
    using clsIndOp_RigN7::E8AnswerValue;
    using clsIndOp_RigN7::idxBpfSweep;
    using clsIndOp_RigN7::idxBpfT1;
    using clsIndOp_RigN7::idxChNo;
    using clsIndOp_RigN7::idxSMeter;
    using clsIndOp_RigN7::idxTxf;
    using clsIndOp_RigN7::procStep;
    using clsIndOp_RigN7::radioIdBytes;
    using clsIndOp_RigN7::ReadAdLine;
    using clsIndOp_RigN7::ReadDaLine;
    using clsIndOp_RigN7::smPhase2;
    using clsIndOp_RigN7::txfEnter;
    using clsIndOp_RigN7::txfPhase2;
    using clsIndOp_RigN7::txfTableReady;
    using clsIndOp_RigN7::smEnter;
    using clsIndOp_RigN7::waitE8Required;
    using clsIndOp_RigN7::opState;
    using clsIndOp_RigN7::task;
};

// The answer of the ZT-N7 (identity 25 26 01 00) to an A/D request.
inline ByteStr AdAnswer(int raw) {
    static const char* kHex = "0123456789ABCDEF";
    return {0x25, 0x26, 0x01, 0x00, 0x03, static_cast<std::uint8_t>(kHex[(raw >> 4) & 0xF]),
            static_cast<std::uint8_t>(kHex[raw & 0xF])};
}

class RigN7Fixture : public ::testing::Test, protected testsupport::MemWindowControls {
protected:
    RigN7Fixture() {
        op.E8AnswerSource([this] { return link.answer; });
        op.radioIdBytes = {0x25, 0x26, 0x01, 0x00};
    }
    clsCmcEeprom& ee() { return radio.eepImage(); }

    // Stores a channel record's frequencies (Hz; bit 31 is the inhibit flag),
    // power byte and mode byte.
    void SetChannel(int ch, std::uint32_t rx, std::uint32_t tx, std::uint8_t power = 0x03,
                    std::uint8_t mode = 0x00) {
        const std::int32_t base = 1362 + 33 * ch;
        for (int k = 0; k < 4; ++k) {
            ee().WriteByte(base + 10 + k, static_cast<std::uint8_t>(rx >> (24 - 8 * k)));
            ee().WriteByte(base + 14 + k, static_cast<std::uint8_t>(tx >> (24 - 8 * k)));
        }
        ee().WriteByte(base + 22, power);
        ee().WriteByte(base + 25, mode);
    }

    platform::MainWindowControls ctl = Controls();
    clsConsole con;
    ScriptLink link;
    clsCmcRadio radio;
    Probe op{con, link, radio, ctl};
};

} // namespace rign7test
