#pragma once
// Minimal stand-ins for the program pieces the link talks to, used until the
// main window and the model operation provide the real ones (and by tests).
#include <cstdint>
#include <string>
#include <vector>

#include "link/LinkClients.h"

class frmCom;

// The model's rule for the radio's second code: its first two characters
// must sort at or before "01".
class DefaultSubNameCheck final : public ISubNameCheck {
public:
    bool RigOpFunc_CheckSubNameLegal(const std::string& subName) override;
};

// The failure text for the link's error state (port flags first, then the
// driver's lastError, then the sequencer's error), lines joined by CR LF.
std::string CloneErrText(bool errCannotOpen, std::int16_t comPortNum, bool errOverflow,
                         std::int16_t lastError, std::int16_t seqError);

// A main window that only runs the sequencer and reports failures: it
// records each message, resets the link and shows the message through
// MsgBoxErr.
class SimpleMainWindowLink final : public IMainWindowLink {
public:
    SimpleMainWindowLink(frmCom& com, clsCmcXfr3Sequence& seq) : com_(com), seq_(seq) {}
    void task() override;
    void MsgBoxCloneErr(clsCmcXfr3Sequence& myObjXfr3Seq) override;
    void saveData(clsCmcProfileIO&) override {}
    void loadData(clsCmcProfileIO&) override {}
    clsCmcXfr3Sequence& Xfr3Sequence() override { return seq_; }

    std::vector<std::string> messages;

private:
    frmCom& com_;
    clsCmcXfr3Sequence& seq_;
};
