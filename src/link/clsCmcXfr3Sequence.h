#pragma once
// Runs one link operation at a time on top of the frame driver: clone read
// (identity check, high-speed request, 38400 baud transfer, back to 9600),
// clone write, and one adjustment command (E8) with or without an answer.
// Each operation is a short script of steps; a step runs on a pass that finds
// the driver idle. Also releases the port after an idle time.
#include <cstdint>
#include <string>

#include "link/LinkClients.h"
#include "link/clsCmcTick.h"
#include "model/IRigN7Link.h"
#include "shell/Types.h"

class frmCom;
class clsCmcRadio;
class clsCmcXfr3Drv;

// Implements the operations the model operation and the console use
// (IRigN7Link, IE8Sender), so they can be driven by a stand-in in tests.
class clsCmcXfr3Sequence : public IRigN7Link {
public:
    // Operations.
    static constexpr std::int16_t kOpNone = 0;
    static constexpr std::int16_t kOpIdentity = 1;
    static constexpr std::int16_t kOpCloneRead = 2;
    static constexpr std::int16_t kOpCloneWrite = 3;
    static constexpr std::int16_t kOpE8 = 4;
    // Sequencer error codes.
    static constexpr std::int16_t kErrMainCode = 1;
    static constexpr std::int16_t kErrSubCode = 2;
    static constexpr std::int16_t kErrDriver = 4;

    // Creation resets the link (port closed) and stands by; port 1, no
    // automatic release. The model operation gives the rule for the radio's
    // sub code; without one every sub code is refused.
    clsCmcXfr3Sequence(frmCom& com, clsCmcRadio& radio, ISubNameCheck* subNameCheck = nullptr,
                       IMainWindowLink* mainWindow = nullptr);

    void SubNameCheck(ISubNameCheck* c) { check_ = c; }
    void MainWindow(IMainWindowLink* w) { main_ = w; }

    void Reset();
    void Standby();
    void easyReset(std::int16_t portNo) override;
    void easyCloneRead() override;
    void easyCloneWrite();
    std::int16_t easySendE8NoAnswer(const std::string& spE8) override;
    std::int16_t easySendE8ReqAnswer(const std::string& spE8) override;

    void Operation(std::int16_t op);   // also clears e8AnsRequired
    std::int16_t Operation() const { return operation_; }
    void e8HexStrToSend(const std::string& hex) { e8HexStrToSend_ = hex; }
    const std::string& e8HexStrToSend() const { return e8HexStrToSend_; }
    void e8AnsRequired(bool v) { e8AnsRequired_ = v; }
    bool e8AnsRequired() const { return e8AnsRequired_; }
    std::int16_t ComPortNo() const { return comPortNo_; }
    void ComPortNo(std::int16_t n) { comPortNo_ = n; }
    void comHoldReload(std::int32_t ms);   // 0 = never release
    std::int32_t comHoldReload() const { return comHoldReload_; }

    void start();
    bool OpRunning() const override { return step_ != 0; }
    // The last clone read ended whole: every address of the image stored,
    // its signature accepted and the port back at 9600 baud without a port
    // or driver failure, and no port flag has been raised since. False while
    // one runs, after any other end and after Reset.
    bool CloneReadWhole() const override;
    std::int16_t error() const { return error_; }
    const ByteStr& ansInfo() const;
    std::string ansNameM() const;
    std::string ansNameS() const;

    void task();

    // Observation.
    std::int16_t step() const { return step_; }
    std::int16_t actionCode() const { return actionCode_; }
    bool returnPending() const { return returnPending_; }

private:
    std::int16_t StepAction();
    std::int16_t CloneReadStep();
    std::int16_t CloneWriteStep();
    std::int16_t E8Step();
    void IdentityCheck();
    bool DriverFailed() const;
    // The driver failed, or the port refused to open or overflowed.
    bool LinkFailed() const;
    void PrepareLink();
    void DoAction();
    clsCmcXfr3Drv& drv();

    frmCom& com_;
    clsCmcRadio& radio_;
    ISubNameCheck* check_ = nullptr;
    IMainWindowLink* main_ = nullptr;

    std::int16_t comPortNo_ = 1;
    std::int16_t operation_ = kOpNone;
    std::int16_t step_ = 0;
    std::int16_t actionCode_ = 0;
    std::string e8HexStrToSend_;
    bool e8AnsRequired_ = false;
    std::int32_t comHoldReload_ = 0;
    clsCmcTick holdTick_;
    std::int16_t error_ = 0;
    bool returnPending_ = false;
    std::int16_t savedStep_ = 0;
    std::int16_t savedOperation_ = 0;
    bool skipAdvance_ = false;
    bool cloneReadWhole_ = false;
};
