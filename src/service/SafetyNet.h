#pragma once
// The technician's safety net as the main window's File menu reaches it: the
// backup of the image read, the service record's view, revert, compare,
// restore and verify, and what the window tells about them (a revert's
// progress and end, values not sent back, values not yet verified, a record
// kept only in memory). The window's form only wires its menu items and its
// close here; what the net keeps (the archive and the record) is
// clsServiceRecord, the values sent back go out through the model operation.
#include <string>

#include "platform/MainWindowControls.h"
#include "shell/Types.h"

class clsIndOp_RigN7;
class clsCmcRadio;
class clsServiceRecord;

class SafetyNet {
public:
    SafetyNet(clsIndOp_RigN7& op, clsCmcRadio& radio, clsServiceRecord& record,
              const platform::MainWindowControls& controls);

    // The menu items' enabled states and the status text; after every tick.
    void RefreshMenus();
    // After every tick: what is to be told (a file that could not be
    // written, values not sent back, a revert's end, a verify's result).
    void AfterTick();

    // Saves the image read from the radio (12288 bytes) to a file the user
    // chooses; never writes to the radio.
    void SaveImage();
    // Shows the service record of this connection, read-only; one kept only
    // in memory can be saved elsewhere from there.
    void ShowRecord();
    // Lists the adjustable bytes that differ from the image as read and, on
    // OK, sends them back with their adjustment commands.
    void Revert();
    // Shows the parameter listing of a saved image beside the radio's.
    void Compare();
    // As compare, then, on a second confirmation, sends the file's values
    // of the adjustable bytes that differ.
    void Restore();
    // Reads the radio again and shows whether it holds the values sent.
    void Verify();

    // Before the window closes: asks when values are still to be sent back or
    // the record exists only in memory; true when it may close.
    bool MayClose();
    // Before a guided procedure starts: asks when values are still to be sent
    // back (the procedure ends the sending); true when it may start.
    bool MayStartProcedure();

    // The texts of the status label.
    std::string StatusText() const;

private:
    // Asks for an image file and reads it; false (after saying why) when
    // none was chosen or it is no image.
    bool ChooseImageFile(std::string& name, ByteStr& bytes);
    // The values still to be sent back, one a line, for a question.
    std::string PendingList() const;
    void TellNotSent();
    void TellSendingEnded();
    void TellVerifyOutcome();

    clsIndOp_RigN7& op_;
    clsCmcRadio& radio_;
    clsServiceRecord& record_;
    const platform::MainWindowControls& c_;
    bool closing_ = false;
};
