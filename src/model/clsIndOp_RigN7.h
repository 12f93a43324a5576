#pragma once
// The ZT-N7 adjustment operation: the model's item table on the console, the
// state machine from connection through the adjustment cycle, the console's
// event receiver, the measurement read-outs, the window's model texts and
// layout, the model constants and the guided procedures.
//
// One object for the life of the program. Its sources are split by concern:
//   RigN7_ItemTable.cpp   creation, RigOpFunc_ResetAll, CancelProcedure
//   RigN7_Events.cpp      ConsEv_Disp, ConsEv_SendE8, ConsEv_Enter
//   RigN7_Layout.cpp      RigOpFunc_FormResource (and the layout)
//   further files add the task, read-outs, constants and procedures.
//
// The state is protected rather than private so that tests can look at it
// through a derived probe; nothing else derives from this class.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/IConsoleEvents.h"
#include "console/clsConsole.h"
#include "link/LinkClients.h"
#include "link/clsCmcTick.h"
#include "model/AdjustmentRecord.h"
#include "model/ChartData.h"
#include "model/IRigN7Link.h"
#include "platform/MainWindowControls.h"
#include "radio/clsCmcRadio.h"
#include "radio/clsIndEep_RigN7.h"
#include "shell/Types.h"

// E8 command codes of the ZT-N7 (the first two hex digits of an E8 request).
namespace rign7e8 {
inline constexpr std::int16_t kChSelect = 0x00;     // channel number + 1
inline constexpr std::int16_t kStartAdjust = 0x02;  // value 1, once after the clone read
inline constexpr std::int16_t kReadAd = 0x03;       // A/D channel code; answered
inline constexpr std::int16_t kSql = 0x04;
inline constexpr std::int16_t kPowerHi = 0x05;
inline constexpr std::int16_t kPowerL2 = 0x06;
inline constexpr std::int16_t kPowerL1 = 0x07;
inline constexpr std::int16_t kModW = 0x08;
inline constexpr std::int16_t kModN = 0x09;
inline constexpr std::int16_t kBalance = 0x0A;
inline constexpr std::int16_t kBpfT1 = 0x0C;        // T2..T4 follow: 0x0D..0x0F
inline constexpr std::int16_t kCtcss = 0x11;
inline constexpr std::int16_t kSMeterS1 = 0x12;
inline constexpr std::int16_t kSMeterS3 = 0x13;
inline constexpr std::int16_t kTxfPoint0 = 0x14;    // points 0..39: 0x14..0x3B
}  // namespace rign7e8

// EEPROM addresses of the adjustment bytes.
namespace rign7ee {
inline constexpr std::int32_t kBpfT1 = 68;          // T2..T4 at 69..71
inline constexpr std::int32_t kModW = 72;
inline constexpr std::int32_t kModN = 73;
inline constexpr std::int32_t kBalance = 74;
inline constexpr std::int32_t kCtcss = 76;
inline constexpr std::int32_t kPowerL1 = 77;
inline constexpr std::int32_t kPowerL2 = 78;
inline constexpr std::int32_t kPowerHi = 79;
inline constexpr std::int32_t kSMeterS1 = 86;
inline constexpr std::int32_t kSMeterS3 = 87;
inline constexpr std::int32_t kTxfPoint0 = 216;     // points 0..39 at 216..255
inline constexpr std::int32_t kSql = 274;
}  // namespace rign7ee

// Event numbers the item table gives to the console, by handler.
namespace rign7ev {
// ConsEv_Disp
inline constexpr std::int16_t kDispChannel = 0;
inline constexpr std::int16_t kDispTxf = 1;
inline constexpr std::int16_t kDispBpfAll = 2;
inline constexpr std::int16_t kDispBpfPoint = 3;
inline constexpr std::int16_t kDispSMeter = 4;
// ConsEv_SendE8
inline constexpr std::int16_t kSendChannel = 0;
// ConsEv_Enter
inline constexpr std::int16_t kEnterTxf = 0;
inline constexpr std::int16_t kEnterSMeter = 1;
inline constexpr std::int16_t kEnterBpfT1 = 2;      // T2..T4: 3..5
inline constexpr std::int16_t kEnterBpfAll = 6;
}  // namespace rign7ev

class clsIndOp_RigN7 : public IConsoleEvents, public ISubNameCheck {
public:
    // The objects are the program-wide ones; they outlive this object.
    // Creation: port 1, constant tables filled, RigOpFunc_ResetAll.
    clsIndOp_RigN7(clsConsole& console, IRigN7Link& link, clsCmcRadio& radio,
                   const platform::MainWindowControls& frmMain);
    clsIndOp_RigN7(const clsIndOp_RigN7&) = delete;
    clsIndOp_RigN7& operator=(const clsIndOp_RigN7&) = delete;

    // Resets the operation to idle and rebuilds the console's item table.
    void RigOpFunc_ResetAll();
    std::int16_t RigN7Op_Table_Txf_TempBorder(std::int16_t Index) const;
    bool RigN7Prop_ReadParametersFromExtFile();
    bool RigN7Prop_Shielding() const { return !RigN7Prop_EditEnabled() && !RigN7Prop_DispPara(); }
    bool RigN7Prop_EditEnabled() const { return opState >= 3 && opState <= 20; }
    bool RigN7Prop_DispPara() const { return opState == 21; }
    // The settle time the console asks for after an E8 command.
    void WaitE8Required(std::int32_t ms) override { waitE8Required = ms; }
    void RigOpFunc_FormResource();
    void RigOpFunc_FormLayout();
    bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) override;
    // The rule itself: the sub code's first two characters sort at or before
    // those of "0100".
    static bool SubNameLegal(const std::string& nameS);
    void RigOpFunc_SetComPortNo(std::int16_t portNo);
    void RigOpFunc_ClickCmd00(std::int16_t Index);
    void task();

    // Console event handlers.
    std::string ConsEv_Disp(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                            std::int16_t val) override;
    void ConsEv_SendE8(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                       std::int16_t val) override;
    void ConsEv_Enter(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                      std::int16_t val) override;

    clsIndEep_RigN7& eep() { return eep_; }

    // Where the read-outs find the data of the last E8 answer frame (the
    // frame driver's varLastE8Answer). Without a source every read-out finds
    // no answer and ends in commError.
    void E8AnswerSource(std::function<ByteStr()> source) { e8AnswerSource_ = std::move(source); }
    // Where the clone read's progress comes from (the frame driver's
    // lastEeAdr): the last EEPROM address transferred so far.
    void CloneProgressSource(std::function<std::int32_t()> source) { cloneProgressSource_ = std::move(source); }
    // How a failed read-out is reported to the user: the main window's
    // MsgBoxCloneErr with the sequencer.
    void LinkErrorReporter(std::function<void()> report) { linkErrorReporter_ = std::move(report); }

    // Where the values sent are told (the service record); nullptr: nowhere.
    void AdjustmentRecord(IAdjustmentRecord* record) { record_ = record; }

    // The adjustable bytes: the console items with an EEPROM byte in console
    // order, then the S-meter points S1 and S3, then the 40 TXF points.
    std::vector<AdjustableByte> AdjustableBytes() const;
    // The adjustable bytes whose value in the program's image differs from
    // the one in `other` (an image of 12288 bytes), in that order.
    std::vector<ValueDifference> RigOpFunc_Differences(const ByteStr& other) const;
    // Values can be sent back now: in the adjustment cycle, with no guided
    // procedure running and none of an earlier request still to go.
    bool RigOpFunc_CanSendValues() const;
    // Sends the values of `target` for every adjustable byte that differs,
    // one per cycle with the item's settle time, each as its own adjustment
    // command (console items through the console, so their lines follow).
    // Returns how many are on their way; none when values cannot be sent now.
    int RigOpFunc_SendValues(const ByteStr& target, SendSource source);
    // How many of them have not gone out yet.
    std::size_t ValuesPending() const { return pending_.size(); }
    // The sending back in progress: what sends (Revert or Restore), how many
    // values it has in all and how many have gone out.
    SendSource SendingSource() const { return sendingSource_; }
    int SendingTotal() const { return sendingTotal_; }
    int SendingDone() const { return sendingTotal_ - static_cast<int>(pending_.size()); }
    // Once after a sending back went out whole: how many values it sent
    // (0 when none ended since the last call).
    int TakeSendingEnded();
    // Ends a sending back still in progress, tells the record the values not
    // sent back with the cause, and returns them (empty when none were left).
    std::vector<SentValue> RigOpFunc_DropPending(const std::string& cause);
    // The values still to be sent back as the record would tell them.
    std::vector<SentValue> PendingValues() const;

    // Verify: the radio is read again as Connect reads it and compared with
    // the program's image; the image as read (what revert goes back to)
    // stays. Possible in the adjustment cycle, with nothing of a procedure
    // or a sending back going on, once a value was sent since the last read.
    bool RigOpFunc_CanVerify() const;
    // Asks for the verify read; it starts at the end of the cycle.
    bool RigOpFunc_Verify();
    bool Verifying() const { return verifying_ || verifyRequest_; }
    // The verify's clone read is under way (a link failure now is its own).
    bool VerifyReadRunning() const { return verifying_; }
    // The verify read failed on the link (already reported): the program's
    // image comes back, the cycle goes on, the values stay unverified.
    void RigOpFunc_VerifyFailed();
    // Distinct values sent since the last whole read or verify.
    std::size_t ValuesUnverified() const { return unverified_.size(); }
    bool ProcedureRunning() const { return procStep != 0; }
    bool TxfProcedureRunning() const { return TxfRunning(); }
    bool SweepRunning() const { return BpfRunning(); }

    // The charts' data (model/ChartData.h). The sweep's curves change only
    // as its levels arrive: SweepRevision counts those changes, so a view
    // redraws only then. The settings "now" come from the program's image,
    // which holds every value that reached the radio.
    charts::SweepChart RigOpFunc_SweepChart() const;
    std::uint32_t SweepRevision() const { return sweepRevision_; }
    charts::TxfChart RigOpFunc_TxfChart() const;
    const charts::ProcedureLog& ProcedureResults() const { return procLog_; }
    // The console line of "       TXF", -1 before the table is built.
    std::int16_t TxfLine() const { return idxTxf; }

    // State, for the window and for tests.
    std::int16_t OpState() const { return opState; }
    // True once a clone read has filled the whole image, until the next
    // clone read starts (a failed one leaves the image mixed).
    bool ImageComplete() const { return imageComplete; }
    // The image as the last complete clone read brought it, before any
    // adjustment: what a backup keeps.
    const ByteStr& ImageAsRead() const { return imageAsRead; }

protected:
    // Ends any guided procedure and redraws every console line.
    void CancelProcedure();
    void UpdateControls();
    bool ReadAdLine(std::int16_t line, bool first);
    bool ReadDaLine(std::int16_t line, bool first);
    bool CheckE8Answer(const ByteStr& answer) const;
    std::int16_t E8AnswerValue(const ByteStr& answer) const;
    // The one implementation behind ReadAdLine (list 0) and ReadDaLine (list 1).
    bool ReadReadoutLine(std::size_t list, std::int16_t line, bool first);
    bool RunProcedure();
    // One run of the action of opState; sets *next when it moves elsewhere
    // than the following state. Returns whether the state is finished.
    bool RunState(std::int16_t* next);
    void LoadAdjustmentData();
    void UpdateProgress();
    void ShowParameters();
    bool TxfProcedure();
    bool SMeterProcedure();
    bool BpfSweepProcedure();
    // Moves the running procedure to step `next` (0 ends it) with a fresh
    // request state; the step is done.
    bool ProcAdvance(std::int16_t next);
    // The [A/D] reading of a procedure step: asked for on the step's first
    // call; true once the answer (or a failure, commError) is in.
    bool ProcStepReading(std::int16_t line);
    std::int16_t FindTempSegment(std::int16_t t) const;
    // One console item's value to the radio (its E8 command and the image),
    // told to the record when it is an adjustable byte.
    void SendItem(std::int16_t i, SendSource source);
    // The source of a value the cycle sends for a changed console item.
    SendSource ChangedItemSource(std::int16_t i) const;
    // A console item whose value is an adjustable byte of the image.
    bool IsAdjustableItem(std::int16_t i) const;
    // One procedure point's value as its E8 command (a negative value goes
    // as its two's complement), mirrored into the image and told.
    void SendProcedureByte(std::int16_t code, std::int32_t adr, std::int16_t value, SendSource source,
                           const std::string& name);
    void SendPendingValue();
    // The verify read ended whole: compared, and taken unless refused.
    void TakeVerifyRead();
    // The channel list from the image and the channel item's range.
    void LoadChannelList();
    void Record(const std::string& name, std::int32_t adr, std::uint8_t before, std::uint8_t sent,
                SendSource source, bool isSigned);
    std::uint8_t AsReadByte(std::int32_t adr) const;

    // Procedure ranges of procStep.
    bool TxfRunning() const { return procStep >= 1 && procStep <= 5; }
    bool SMeterRunning() const { return procStep >= 6 && procStep <= 8; }
    bool BpfRunning() const { return procStep >= 9 && procStep <= 13; }

    // The channel selected by a value of "    CH No." (a position in chList).
    std::int16_t ChOfValue(std::int16_t val) const { return chList.at(static_cast<std::size_t>(val)); }

    // Collaborators.
    clsConsole& console_;
    IRigN7Link& link_;
    clsCmcRadio& radio_;
    const platform::MainWindowControls& frmMain_;
    clsIndEep_RigN7 eep_;

    // Operation state.
    std::int16_t comPortNo = 1;
    std::int16_t opState = 0;
    bool stateEntry = true;
    bool commError = false;
    std::int16_t procStep = 0;
    bool reloadRequest = false;
    bool reloadActive = false;
    bool dispParaRequest = false;
    bool imageComplete = false;
    ByteStr imageAsRead;
    ByteStr radioIdBytes;
    std::int32_t waitE8Required = 0;
    clsCmcTick waitTick;

    // Positions of console items (set while the table is built).
    std::int16_t idxChNo = 0;
    std::int16_t idxTxf = 0;
    std::int16_t idxSMeter = 0;
    std::int16_t idxBpfT1 = 0;
    std::int16_t idxBpfSweep = 0;

    // Channels.
    std::int16_t curChannel = 0;
    std::array<std::int16_t, 41> chList{};

    // Read-outs.
    std::array<std::int16_t, 5> adLast{};
    std::array<std::int16_t, 10> daLast{};
    std::array<std::int16_t, 5> adChCode{};
    std::array<std::int16_t, 9> daChCode{};
    std::function<ByteStr()> e8AnswerSource_;
    std::function<std::int32_t()> cloneProgressSource_;
    std::function<void()> linkErrorReporter_;

    // Model constants.
    std::array<std::int16_t, 22> txfTempBorder{};
    std::array<float, 22> extParam{};

    // Guided procedures.
    std::array<float, 22> txfComp{};
    std::array<float, 22> txfSlope{};
    std::int16_t txfOffset = 0;
    std::int16_t txfValue1 = 0;
    std::int16_t txfValue2 = 0;
    bool txfEnter = false;
    bool txfPhase2 = false;
    bool txfTableReady = false;
    bool smEnter = false;
    bool smPhase2 = false;
    std::array<bool, 5> bpfSelect{};
    bool bpfAll = false;
    std::int16_t bpfLvin = 0;
    bool procReqSent = false;
    std::int16_t txfLastSeg = -1;
    std::int16_t txfLastValue = 0;
    std::int16_t txfFirstPt = 0;
    std::int16_t txfLastPt = 0;
    bool txfEnterCaptured = false;
    bool smEnterCaptured = false;
    std::int16_t bpfSubStep = 0;
    std::int16_t bpfCur = 0;
    std::int16_t bpfBestLevel = -1;
    std::int16_t bpfBestFirst = 0;
    std::int16_t bpfBestLast = 0;

    // What the charts draw of the procedures (RigN7_Charts.cpp).
    void SweepChartReset(std::int16_t filter);
    void SweepChartStart(std::int16_t filter);
    void SweepChartPoint(std::int16_t setting, std::int16_t level);
    void SweepChartSettled(std::int16_t chosen);
    charts::SweepChart sweepChart_;
    std::uint32_t sweepRevision_ = 0;
    charts::ProcedureLog procLog_;

    // Window layout.
    bool windowSized = false;

    // The record of the values sent, and values still to be sent back.
    struct PendingValue {
        AdjustableByte byte;
        std::uint8_t value = 0;
        SendSource source = SendSource::Revert;
    };
    IAdjustmentRecord* record_ = nullptr;
    std::vector<PendingValue> pending_;
    // The value sent back last, while the link still sends it.
    std::optional<PendingValue> inFlight_;
    std::uint8_t inFlightBefore_ = 0;
    bool initialSend_ = false;   // the first cycle sends the values as read
    int initialSent_ = 0;
    std::vector<bool> initialItemSent_;  // items the first cycle has sent once
    SendSource sendingSource_ = SendSource::Revert;
    int sendingTotal_ = 0;
    int sendingEnded_ = 0;
    // Verify.
    std::vector<std::int32_t> unverified_;  // addresses sent since the last read or verify, once each
    bool verifyRequest_ = false;
    bool verifying_ = false;
    ByteStr verifyExpected_;
};
