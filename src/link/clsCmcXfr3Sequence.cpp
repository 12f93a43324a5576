#include "link/clsCmcXfr3Sequence.h"

#include "link/Xfr3Frame.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/frmCom.h"
#include "radio/clsCmcRadio.h"
#include "shell/Common.h"

namespace {
// Actions of a step.
constexpr std::int16_t kActNone = 0;
constexpr std::int16_t kActIdentity = 1;
constexpr std::int16_t kActCloneRead = 2;
constexpr std::int16_t kActCloneWrite = 3;
constexpr std::int16_t kActE8 = 4;
constexpr std::int16_t kActFail = 5;
constexpr std::int16_t kActEnd = 6;
} // namespace

clsCmcXfr3Sequence::clsCmcXfr3Sequence(frmCom& com, clsCmcRadio& radio, ISubNameCheck* subNameCheck,
                                       IMainWindowLink* mainWindow)
    : com_(com), radio_(radio), check_(subNameCheck), main_(mainWindow) {
    Reset();
    comPortNo_ = 1;
    comHoldReload_ = 0;
}

clsCmcXfr3Drv& clsCmcXfr3Sequence::drv() { return com_.xfr3D(); }

void clsCmcXfr3Sequence::Reset() {
    cloneReadWhole_ = false;
    // A reset abandons a clone read suspended for its high-speed request
    // too; left set, the next clone read would skip that request and ask for
    // the image at a speed the radio is not listening at.
    returnPending_ = false;
    skipAdvance_ = false;
    drv().Reset();
    com_.Reset();
    Standby();
}

void clsCmcXfr3Sequence::Standby() {
    operation_ = kOpNone;
    step_ = 0;
    e8HexStrToSend_.clear();
}

void clsCmcXfr3Sequence::easyReset(std::int16_t portNo) {
    Reset();
    comPortNo_ = portNo;
}

void clsCmcXfr3Sequence::easyCloneRead() {
    cloneReadWhole_ = false;
    Operation(kOpCloneRead);
    start();
}

void clsCmcXfr3Sequence::easyCloneWrite() {
    Operation(kOpCloneWrite);
    start();
}

std::int16_t clsCmcXfr3Sequence::easySendE8NoAnswer(const std::string& spE8) {
    Operation(kOpE8);
    e8HexStrToSend_ = spE8;
    start();
    return 0;
}

std::int16_t clsCmcXfr3Sequence::easySendE8ReqAnswer(const std::string& spE8) {
    Operation(kOpE8);
    e8HexStrToSend_ = spE8;
    e8AnsRequired_ = true;
    start();
    return 0;
}

void clsCmcXfr3Sequence::Operation(std::int16_t op) {
    operation_ = op;
    e8AnsRequired_ = false;
}

void clsCmcXfr3Sequence::comHoldReload(std::int32_t ms) {
    comHoldReload_ = ms;
    holdTick_.counter(ms);
}

void clsCmcXfr3Sequence::start() {
    step_ = 0;
    task();
}

const ByteStr& clsCmcXfr3Sequence::ansInfo() const { return com_.xfr3D().ansInfo(); }

std::string clsCmcXfr3Sequence::ansNameM() const {
    const ByteStr& a = ansInfo();
    if (a.size() <= 3) return {};
    return ByteStrToHexStr(ByteStr(a.begin() + 3, a.begin() + std::min<std::size_t>(5, a.size())));
}

std::string clsCmcXfr3Sequence::ansNameS() const {
    const ByteStr& a = ansInfo();
    if (a.size() <= 5) return {};
    return ByteStrToHexStr(ByteStr(a.begin() + 5, a.begin() + std::min<std::size_t>(7, a.size())));
}

bool clsCmcXfr3Sequence::DriverFailed() const { return com_.xfr3D().lastError() != 0; }

bool clsCmcXfr3Sequence::CloneReadWhole() const {
    return cloneReadWhole_ && !com_.errCannotOpen() && !com_.errOverflow();
}

bool clsCmcXfr3Sequence::LinkFailed() const {
    return DriverFailed() || com_.errCannotOpen() || com_.errOverflow();
}

void clsCmcXfr3Sequence::task() {
    const bool opAtEntry = operation_ != kOpNone;
    if (operation_ != kOpNone && !drv().Running()) {
        std::int16_t action = StepAction();
        if (action == kActFail) {
            com_.comOpen(false);
            if (main_ != nullptr) main_->MsgBoxCloneErr(*this);
        }
        if (!skipAdvance_) {
            ++step_;
            if (action == kActFail) action = kActEnd;
            if (action != kActNone) {
                actionCode_ = action;
                DoAction();
            }
        } else {
            skipAdvance_ = false;
        }
    }
    // Automatic port release after the idle time.
    if (opAtEntry) {
        holdTick_.counter(comHoldReload_);
    } else if (comHoldReload_ > 0 && holdTick_.counter() < 1 && com_.comOpen()) {
        Reset();
    }
}

std::int16_t clsCmcXfr3Sequence::StepAction() {
    switch (operation_) {
    case kOpIdentity:
        returnPending_ = false;
        skipAdvance_ = false;
        return step_ == 0 ? kActIdentity : kActEnd;
    case kOpCloneRead:
        return CloneReadStep();
    case kOpCloneWrite:
        return CloneWriteStep();
    case kOpE8:
        return E8Step();
    default:
        return kActNone;
    }
}

void clsCmcXfr3Sequence::IdentityCheck() {
    if (LinkFailed()) {
        error_ = kErrDriver;
        return;
    }
    if (ansNameM() != radio_.radioNameM()) error_ = kErrMainCode;
    // Without the model's rule no sub code is taken for a legal one.
    const std::string s = ansNameS();
    if (check_ != nullptr && check_->RigOpFunc_CheckSubNameLegal(s)) {
        radio_.radionameS(s);
    } else {
        error_ = kErrSubCode;
    }
}

std::int16_t clsCmcXfr3Sequence::CloneReadStep() {
    // Every check of a clone read step also looks at the port flags: a port
    // that refused to open or overflowed must end the read with its own
    // message before a later step resets the host and clears them.
    switch (step_) {
    case 0:
        return kActIdentity;
    case 1:
        IdentityCheck();
        return error_ != 0 ? kActFail : kActNone;
    case 2:
        if (LinkFailed()) {
            error_ = kErrDriver;
        } else if (!returnPending_) {
            // The high-speed request runs as a nested E8 operation; this
            // step runs again once it has returned.
            savedStep_ = 2;
            savedOperation_ = kOpCloneRead;
            returnPending_ = true;
            easySendE8NoAnswer(ByteToHexStr(1) + ByteToAsciiHexStr(9));
        } else {
            returnPending_ = false;
            drv().Reset();
            com_.HighSpeedBRatioSet();
        }
        return error_ != 0 ? kActFail : kActNone;
    case 3:
        if (LinkFailed()) {
            error_ = kErrDriver;
            return kActFail;
        }
        PrepareLink();
        com_.comOpen(true);
        drv().SendFE(xfr3::FeBurstCount(com_.comBaud()));
        // The port refusing 38400 baud ends the read here, before any request.
        return error_ != 0 || LinkFailed() ? kActFail : kActCloneRead;
    case 4:
        if (LinkFailed()) return kActFail;
        // The transfer is over without a recorded cause: it counts only when
        // the signature came after the whole image (a closed port or a reset
        // also ends the exchange, silently).
        if (!drv().CloneReadWhole()) {
            error_ = kErrDriver;
            return kActFail;
        }
        drv().Reset();
        com_.Reset();
        return kActNone;
    default:
        if (LinkFailed()) return kActFail;
        PrepareLink();
        com_.comOpen(true);
        drv().SendFE(xfr3::FeBurstCount(com_.comBaud()));
        if (LinkFailed()) return kActFail;
        cloneReadWhole_ = true;
        return kActEnd;
    }
}

std::int16_t clsCmcXfr3Sequence::CloneWriteStep() {
    switch (step_) {
    case 0:
        return kActIdentity;
    case 1:
        IdentityCheck();
        return error_ != 0 ? kActFail : kActCloneWrite;
    default:
        return DriverFailed() ? kActFail : kActEnd;
    }
}

std::int16_t clsCmcXfr3Sequence::E8Step() {
    if (step_ == 0) return kActE8;
    if (returnPending_) {
        // Back to the clone read that started this command.
        step_ = savedStep_;
        operation_ = savedOperation_;
        skipAdvance_ = true;
    }
    return DriverFailed() ? kActFail : kActEnd;
}

void clsCmcXfr3Sequence::PrepareLink() {
    drv().lastError(0);
    error_ = 0;
    com_.comPortNum(comPortNo_);
    com_.comOpen(true);
}

void clsCmcXfr3Sequence::DoAction() {
    const std::string codes = radio_.radioNameM() + radio_.radionameS();
    switch (actionCode_) {
    case kActIdentity:
        PrepareLink();
        drv().workMode(clsCmcXfr3Drv::kModeIdentity);
        drv().Send(HexStrToByteStr(ByteToHexStr(xfr3::kCmdIdentity) + radio_.radioNameM() + "0000"));
        break;
    case kActCloneRead:
        PrepareLink();
        drv().workMode(clsCmcXfr3Drv::kModeCloneRead);
        drv().myEep(&radio_.eepImage());
        drv().Send(HexStrToByteStr(ByteToHexStr(xfr3::kCmdCloneRead) + codes));
        break;
    case kActCloneWrite:
        PrepareLink();
        drv().workMode(clsCmcXfr3Drv::kModeCloneWrite);
        drv().myEep(&radio_.eepImage());
        drv().sizDataOfPacket(16);
        drv().cloneWriteAdrList(radio_.cloneWriteAdrList());
        drv().Send(HexStrToByteStr(ByteToHexStr(xfr3::kCmdCloneWrite) + codes));
        break;
    case kActE8:
        PrepareLink();
        drv().workMode(clsCmcXfr3Drv::kModeE8);
        drv().waitAnswer(e8AnsRequired_);
        drv().retryCount(2);
        drv().Send(HexStrToByteStr(ByteToHexStr(xfr3::kCmdAdjust) + codes + e8HexStrToSend_));
        break;
    case kActEnd:
        step_ = 0;
        Standby();
        break;
    default:
        break;
    }
}
