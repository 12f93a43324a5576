// The guided procedures step by step on a scripted link that answers every
// read-out at once: the order of the steps, what a busy sequencer and a
// garbled answer do to a step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RigN7EvtFixture.h"

namespace {

using rign7test::AdAnswer;

// Answers each read-out request with the value set for its channel code.
class AnsweringLink : public rign7test::ScriptLink {
public:
    std::int16_t easySendE8ReqAnswer(const std::string& spE8) override {
        ScriptLink::easySendE8ReqAnswer(spE8);
        // "03" then the channel code as two ASCII hex characters (4 hex digits).
        const int code = std::stoi(std::string{static_cast<char>(std::stoi(spE8.substr(2, 2), nullptr, 16)),
                                               static_cast<char>(std::stoi(spE8.substr(4, 2), nullptr, 16))},
                                   nullptr, 16);
        answer = garbled ? ByteStr{0x25, 0x26, 0x01, 0x00, 0x03, 'X', 'Y'} : AdAnswer(raw[code]);
        return 0;
    }
    int raw[32] = {};
    bool garbled = false;
};

class StepProbe : public clsIndOp_RigN7 {
public:
    using clsIndOp_RigN7::clsIndOp_RigN7;
    using clsIndOp_RigN7::bpfAll;
    using clsIndOp_RigN7::bpfSelect;
    using clsIndOp_RigN7::bpfSubStep;
    using clsIndOp_RigN7::commError;
    using clsIndOp_RigN7::procStep;
    using clsIndOp_RigN7::radioIdBytes;
    using clsIndOp_RigN7::RunProcedure;
    using clsIndOp_RigN7::txfEnter;
};

class ProcedureSteps : public ::testing::Test {
protected:
    ProcedureSteps() {
        op.E8AnswerSource([this] { return link.answer; });
        op.radioIdBytes = {0x25, 0x26, 0x01, 0x00};
        link.raw[3] = 128;  // temperature: segment 10
        link.raw[5] = 20;   // LVIN
        link.raw[4] = 100;  // SD
    }
    platform::MainWindowControls Controls() {
        platform::MainWindowControls c;
        c.lboConsole = &lboConsole;
        c.lbo01 = {&lbo01[0], &lbo01[1]};
        return c;
    }
    // Runs the procedure n times and notes the step after each call.
    std::vector<int> Steps(int n) {
        std::vector<int> s;
        for (int i = 0; i < n; ++i) {
            op.RunProcedure();
            s.push_back(op.procStep);
        }
        return s;
    }
    // The TXF table points sent since `from` (E8 codes 0x14..0x3B).
    std::vector<int> TxfPointsSent(std::size_t from) const {
        std::vector<int> pts;
        for (std::size_t i = from; i < link.sent.size(); ++i) {
            const std::string& s = link.sent[i];
            if (s[0] == '?') continue;
            const int code = std::stoi(s.substr(0, 2), nullptr, 16);
            if (code >= 0x14 && code <= 0x3B) pts.push_back(code - 0x14);
        }
        return pts;
    }

    platform::MemListBox lboConsole, lbo01[2];
    platform::MainWindowControls ctl = Controls();
    clsConsole con;
    AnsweringLink link;
    clsCmcRadio radio;
    StepProbe op{con, link, radio, ctl};
};

TEST_F(ProcedureSteps, TxfWithoutChangesAlternatesBetweenReadingAndWaiting) {
    op.ConsEv_Enter(con, 14, 0, 0);
    // 1, 2 (temperature read: request, answer), 3 (request, answer), six
    // points written, then 3 and 5 in turn.
    EXPECT_EQ(Steps(5), (std::vector<int>{2, 2, 3, 3, 4}));
    EXPECT_EQ(Steps(6), (std::vector<int>{4, 4, 4, 4, 4, 3}));
    EXPECT_EQ(TxfPointsSent(0), (std::vector<int>{18, 19, 20, 21, 22, 23}));
    const std::size_t mark = link.sent.size();
    EXPECT_EQ(Steps(9), (std::vector<int>{3, 5, 3, 3, 5, 3, 3, 5, 3}));
    EXPECT_TRUE(TxfPointsSent(mark).empty());
}

TEST_F(ProcedureSteps, ABusySequencerHoldsEveryProcedure) {
    for (int start : {1, 3, 4, 7, 11, 12}) {
        SCOPED_TRACE(start);
        op.procStep = static_cast<std::int16_t>(start);
        link.busy = true;
        const std::size_t sent = link.sent.size();
        EXPECT_FALSE(op.RunProcedure());
        EXPECT_EQ(op.procStep, start);
        EXPECT_EQ(link.sent.size(), sent);
        link.busy = false;
    }
}

TEST_F(ProcedureSteps, AGarbledLevelReadingSendsNoFurtherSetting) {
    op.ConsEv_Enter(con, 10, 2, 0);  // sweep "    BPF T1"
    for (int i = 0; i < 20 && !(op.procStep == 12 && op.bpfSubStep == 2); ++i) op.RunProcedure();
    ASSERT_EQ(op.procStep, 12);
    link.garbled = true;
    link.answer = {0x25, 0x26, 0x01, 0x00, 0x03, 'X', 'Y'};
    const std::size_t sent = link.sent.size();
    EXPECT_TRUE(op.RunProcedure());  // the task reports the error and resets
    EXPECT_TRUE(op.commError);
    EXPECT_EQ(link.sent.size(), sent);
}

} // namespace
