// The operation's state machine: connect, clone read, then the endless
// adjustment cycle (read-outs on request, changed items sent live, one Enter
// action, the guided procedure's step), and the parameter display.
#include <cmath>

#include "model/clsIndOp_RigN7.h"
#include "shell/Common.h"

namespace {
constexpr std::int16_t kStates = 22;
constexpr std::int16_t kIdle = 0;
constexpr std::int16_t kConnect = 1;
constexpr std::int16_t kCloneRead = 2;
constexpr std::int16_t kCycleStart = 3;
constexpr std::int16_t kAdFirst = 4;
constexpr std::int16_t kAdLast = 7;
constexpr std::int16_t kDaFirst = 8;
constexpr std::int16_t kDaLast = 16;
constexpr std::int16_t kSendChanges = 17;
constexpr std::int16_t kEnter = 18;
constexpr std::int16_t kProcedure = 19;
constexpr std::int16_t kCycleEnd = 20;
constexpr std::int16_t kDispPara = 21;
constexpr int kProgressCells = 32;
} // namespace

void clsIndOp_RigN7::task() {
    if (link_.OpRunning()) {
        if (opState == kCloneRead) UpdateProgress();
        return;
    }
    // The link has done with the value sent back last.
    inFlight_.reset();
    if (waitE8Required > 0) {
        waitTick.counter(waitE8Required);
        waitE8Required = 0;
    }
    if (waitTick.counter() >= 1) return;

    for (;;) {
        std::int16_t next = static_cast<std::int16_t>((opState + 1) % kStates);
        const bool finished = RunState(&next);
        if (finished) {
            opState = next;
            stateEntry = true;
        } else {
            stateEntry = false;
        }
        if (commError) {
            if (linkErrorReporter_) linkErrorReporter_();
            RigOpFunc_ResetAll();
            break;
        }
        if (link_.OpRunning() || !finished || opState == kCycleEnd) break;
    }
    UpdateControls();
}

bool clsIndOp_RigN7::RunState(std::int16_t* next) {
    switch (opState) {
    case kIdle:
        return false;
    case kConnect:
        return true;
    case kCloneRead:
        if (stateEntry) {
            imageComplete = false;
            link_.easyCloneRead();
            return false;
        }
        // Only a read that ended whole is loaded: a partial image would send
        // its zeros over the radio's adjustment in the first cycle. A read
        // the link failed has been reported and the operation reset with it;
        // one that the port failed just after it ended (an overflow) is
        // reported here, with the port's message, before anything is sent.
        if (!link_.CloneReadWhole()) {
            if (linkErrorReporter_) {
                linkErrorReporter_();
            } else if (verifying_) {
                RigOpFunc_VerifyFailed();
            } else {
                RigOpFunc_ResetAll();
            }
            return false;
        }
        if (verifying_) {
            TakeVerifyRead();
            *next = kCycleStart;
            return true;
        }
        LoadAdjustmentData();
        return true;
    case kCycleStart:
        reloadActive = reloadRequest;
        reloadRequest = false;
        return true;
    case kSendChanges:
        for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
            if (!console_.flgChanged(i)) continue;
            console_.flgChanged(i, false);
            SendItem(i, ChangedItemSource(i));
            if (link_.OpRunning()) return false;
        }
        if (initialSend_) {
            initialSend_ = false;
            if (record_ != nullptr) record_->ValuesAsReadSent(initialSent_);
        }
        // A value sent back goes after the keys' changes, one per cycle. A
        // guided procedure started meanwhile ends the sending back: its
        // results are not overwritten afterwards.
        if (procStep != 0) RigOpFunc_DropPending("a guided procedure");
        if (!pending_.empty()) {
            SendPendingValue();
            if (pending_.empty()) sendingEnded_ = sendingTotal_;
        }
        return true;
    case kEnter:
        for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
            if (console_.flgEnterOn(i) && console_.Event_Enter(i) >= 0) {
                console_.flgEnterOn(i, false);
                console_.EnterExec(i);
                break;
            }
        }
        return true;
    case kProcedure:
        return RunProcedure();
    case kCycleEnd:
        if (dispParaRequest) {
            CancelProcedure();
            *next = kDispPara;
        } else if (verifyRequest_) {
            // The radio read again; the program's image is what it should hold.
            verifyRequest_ = false;
            verifying_ = true;
            verifyExpected_ = radio_.eepImage().bytes();
            *next = kCloneRead;
        } else {
            *next = kCycleStart;
        }
        return true;
    case kDispPara:
        if (stateEntry) ShowParameters();
        if (!dispParaRequest) {
            *next = kCycleEnd;
            if (frmMain_.cmd00[2] != nullptr) frmMain_.cmd00[2]->setFocus();
            return true;
        }
        return false;
    default:
        break;
    }
    if (opState >= kAdFirst && opState <= kAdLast) {
        if (!reloadActive) return true;
        return ReadAdLine(static_cast<std::int16_t>(opState - kAdFirst), stateEntry);
    }
    if (opState >= kDaFirst && opState <= kDaLast) {
        if (!reloadActive) return true;
        return ReadDaLine(static_cast<std::int16_t>(opState - kDaFirst), stateEntry);
    }
    return false;
}

void clsIndOp_RigN7::UpdateProgress() {
    if (frmMain_.lblProgress == nullptr) return;
    const std::int32_t adr = cloneProgressSource_ ? cloneProgressSource_() : 0;
    int n = static_cast<int>(std::floor(static_cast<double>(adr) / 12288.0 * 33.0));
    if (n < 0) n = 0;
    if (n > kProgressCells) n = kProgressCells;  // addresses beyond the image
    frmMain_.lblProgress->setCaption(std::string(static_cast<std::size_t>(n), 'o') +
                                     std::string(static_cast<std::size_t>(kProgressCells - n), '.'));
}

void clsIndOp_RigN7::LoadAdjustmentData() {
    imageComplete = true;
    imageAsRead = radio_.eepImage().bytes();
    // A new radio (or the same one read again): the charts and the
    // procedures' results start over.
    sweepChart_ = {};
    ++sweepRevision_;
    procLog_ = {};
    // Kept before anything of the cycle reaches the radio.
    if (record_ != nullptr) record_->ImageRead(imageAsRead);
    pending_.clear();
    unverified_.clear();
    initialSend_ = true;
    initialSent_ = 0;
    initialItemSent_.assign(static_cast<std::size_t>(console_.ListCount()), false);
    radioIdBytes = HexStrToByteStr(radio_.radioNameM() + radio_.radionameS());
    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        console_.ReadFromEe(i);
        console_.flgChanged(i, true);
    }
    reloadRequest = true;

    LoadChannelList();
    console_.Value(idxChNo, console_.Min(idxChNo));
    console_.flgChanged(idxChNo, true);

    link_.easySendE8NoAnswer(ByteToHexStr(rign7e8::kStartAdjust) + ByteToAsciiHexStr(1));
}

void clsIndOp_RigN7::LoadChannelList() {
    std::int16_t n = 0;
    for (std::int16_t c = 0; c <= 39; ++c) {
        if (eep_.RigN7Eep_GetChAppear(c)) chList[static_cast<std::size_t>(n++)] = c;
    }
    if (n == 0) {
        chList[0] = 0;
        n = 1;
    }
    console_.Max(idxChNo, static_cast<std::int16_t>(n - 1));
}

bool clsIndOp_RigN7::RigOpFunc_CanVerify() const {
    return RigOpFunc_CanSendValues() && !unverified_.empty() && !verifyRequest_;
}

bool clsIndOp_RigN7::RigOpFunc_Verify() {
    if (!RigOpFunc_CanVerify()) return false;
    verifyRequest_ = true;
    return true;
}

void clsIndOp_RigN7::TakeVerifyRead() {
    verifying_ = false;
    const ByteStr found = radio_.eepImage().bytes();
    const bool taken = record_ == nullptr || record_->VerifyRead(verifyExpected_, found, unverified_, AdjustableBytes());
    imageComplete = true;
    if (taken) {
        unverified_.clear();
        // The console shows what the radio holds; nothing of it is sent again.
        for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
            if (console_.EeAdr(i) < 0) continue;
            console_.ReadFromEe(i);
            console_.flgChanged(i, false);
        }
        const std::int16_t channel = console_.Value(idxChNo);
        LoadChannelList();
        console_.Value(idxChNo, channel);
    } else {
        // Another unit: nothing of its image is taken.
        radio_.eepImage().WriteBlock(0, verifyExpected_);
    }
    // The channel again, and the radio back in its adjustment mode as after Connect.
    console_.flgChanged(idxChNo, true);
    reloadRequest = true;
    link_.easySendE8NoAnswer(ByteToHexStr(rign7e8::kStartAdjust) + ByteToAsciiHexStr(1));
}

void clsIndOp_RigN7::RigOpFunc_VerifyFailed() {
    if (!verifying_) return;
    verifying_ = false;
    verifyRequest_ = false;
    link_.easyReset(comPortNo);
    radio_.eepImage().WriteBlock(0, verifyExpected_);
    imageComplete = true;
    opState = kCycleStart;
    stateEntry = true;
    console_.flgChanged(idxChNo, true);
    reloadRequest = true;
    if (record_ != nullptr) record_->VerifyFailed();
}

void clsIndOp_RigN7::RigOpFunc_ClickCmd00(std::int16_t Index) {
    CancelProcedure();
    switch (Index) {
    case 0:
        RigOpFunc_DropPending("Connect");
        RigOpFunc_ResetAll();
        opState = kConnect;
        stateEntry = true;
        break;
    case 1:
        if (RigN7Prop_EditEnabled()) reloadRequest = true;
        break;
    case 2:
        if (RigN7Prop_EditEnabled()) {
            dispParaRequest = true;
        } else if (RigN7Prop_DispPara()) {
            dispParaRequest = false;
        }
        break;
    default:
        break;
    }
}

void clsIndOp_RigN7::RigOpFunc_SetComPortNo(std::int16_t portNo) {
    if (portNo == comPortNo) return;
    comPortNo = portNo;
    RigOpFunc_DropPending("a port change");
    RigOpFunc_ResetAll();
}

bool clsIndOp_RigN7::RigOpFunc_CheckSubNameLegal(const std::string& nameS) { return SubNameLegal(nameS); }

bool clsIndOp_RigN7::SubNameLegal(const std::string& nameS) {
    // Only the first two characters take part; a shorter text compares whole.
    return nameS.substr(0, 2).compare(std::string("0100").substr(0, 2)) <= 0;
}

void clsIndOp_RigN7::UpdateControls() {
    const auto& f = frmMain_;
    if (f.fra01[0] != nullptr) f.fra01[0]->setVisible(RigN7Prop_Shielding());
    if (f.fra01[1] != nullptr) {
        const bool was = f.fra01[1]->visible();
        f.fra01[1]->setVisible(RigN7Prop_EditEnabled());
        if (RigN7Prop_EditEnabled() && !was && f.lboConsole != nullptr) f.lboConsole->setFocus();
    }
    if (f.fra01[3] != nullptr) f.fra01[3]->setVisible(RigN7Prop_DispPara());
    if (f.cmd00[0] != nullptr) f.cmd00[0]->setEnabled(!RigN7Prop_DispPara());
    if (f.cmd00[1] != nullptr) f.cmd00[1]->setEnabled(RigN7Prop_EditEnabled());
    if (f.cmd00[2] != nullptr) {
        f.cmd00[2]->setEnabled(!RigN7Prop_Shielding());
        f.cmd00[2]->setDefault(RigN7Prop_DispPara());
        f.cmd00[2]->setCancel(RigN7Prop_DispPara());
    }
}

void clsIndOp_RigN7::ShowParameters() {
    if (frmMain_.txtDispPara == nullptr) return;
    eep_.RigN7Eep_DispPara(*frmMain_.txtDispPara,
                           [this](std::int16_t k) { return RigN7Op_Table_Txf_TempBorder(k); });
}
