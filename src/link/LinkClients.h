#pragma once
// What the radio link needs from the rest of the program, kept as small
// interfaces so the link can be built and tested without the windows:
// the main window (task chain, failure report, option persistence), the
// start-up module (profile saving) and the model operation (sub-code rule).
#include <string>

class clsCmcXfr3Sequence;
class clsCmcProfileIO;

// The main window as the port host and the sequencer see it.
class IMainWindowLink {
public:
    virtual ~IMainWindowLink() = default;
    // One pass of the main window's task (sequencer, model operation,
    // sequencer again while an operation runs, status refresh).
    virtual void task() = 0;
    // Tells the user once why a link operation failed and resets the link.
    virtual void MsgBoxCloneErr(clsCmcXfr3Sequence& myObjXfr3Seq) = 0;
    virtual void saveData(clsCmcProfileIO& objProf) = 0;
    virtual void loadData(clsCmcProfileIO& objProf) = 0;
    // The program-wide sequencer (the one the failure report is given).
    virtual clsCmcXfr3Sequence& Xfr3Sequence() = 0;
};

// The start-up module as the port host sees it.
class IStartupLink {
public:
    virtual ~IStartupLink() = default;
    virtual void SaveProfile() = 0;
};

// The model operation's rule for the radio's second model code.
class ISubNameCheck {
public:
    virtual ~ISubNameCheck() = default;
    virtual bool RigOpFunc_CheckSubNameLegal(const std::string& subName) = 0;
};
