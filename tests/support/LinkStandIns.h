#pragma once
// Stand-ins for the program pieces the link talks to, for tests and
// benchmarks of the link without the main window and the model operation.
#include <cstdint>
#include <string>
#include <vector>

#include "link/LinkClients.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/clsCmcXfr3Sequence.h"
#include "link/frmCom.h"
#include "model/clsIndOp_RigN7.h"
#include "shell/CloneErrMessage.h"
#include "shell/Common.h"

// The ZT-N7's rule for the radio's second code, as the model operation
// applies it.
class ZtN7SubNameCheck final : public ISubNameCheck {
public:
    bool RigOpFunc_CheckSubNameLegal(const std::string& subName) override {
        return clsIndOp_RigN7::SubNameLegal(subName);
    }
};

// One checker for every link rig that has no model operation.
inline ISubNameCheck* ZtN7SubNames() {
    static ZtN7SubNameCheck check;
    return &check;
}

// The failure text for the link's error state (port flags first, then the
// driver's lastError, then the sequencer's error), lines joined by CR LF.
inline std::string CloneErrText(bool errCannotOpen, std::int16_t comPortNum, bool errOverflow,
                                std::int16_t lastError, std::int16_t seqError) {
    return CloneErrMessage({errCannotOpen, comPortNum, errOverflow, lastError, seqError});
}

// A main window that only runs the sequencer and reports failures: it
// records each message, resets the link and shows the message through
// MsgBoxErr.
class SimpleMainWindowLink final : public IMainWindowLink {
public:
    SimpleMainWindowLink(frmCom& com, clsCmcXfr3Sequence& seq) : com_(com), seq_(seq) {}
    void task() override {
        seq_.task();
        if (seq_.OpRunning()) seq_.task();
    }
    void MsgBoxCloneErr(clsCmcXfr3Sequence& myObjXfr3Seq) override {
        const std::string text = CloneErrText(com_.errCannotOpen(), com_.comPortNum(), com_.errOverflow(),
                                              com_.xfr3D().lastError(), myObjXfr3Seq.error());
        myObjXfr3Seq.easyReset(myObjXfr3Seq.ComPortNo());
        messages.push_back(text);
        MsgBoxErr(text);
    }
    void saveData(clsCmcProfileIO&) override {}
    void loadData(clsCmcProfileIO&) override {}
    clsCmcXfr3Sequence& Xfr3Sequence() override { return seq_; }

    std::vector<std::string> messages;

private:
    frmCom& com_;
    clsCmcXfr3Sequence& seq_;
};
