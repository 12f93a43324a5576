#pragma once
// The technician's safety net as the main window's File menu reaches it: the
// backup of the image read, the service record's view, revert, compare and
// restore. The window's form only wires its menu items here; what the net
// keeps (the archive and the record) is clsServiceRecord, the values sent
// back go out through the model operation.
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

    // The menu items' enabled states; after every tick.
    void RefreshMenus();
    // After every tick: a file the archive or the record could not write is told.
    void AfterTick();

    // Saves the image read from the radio (12288 bytes) to a file the user
    // chooses; never writes to the radio.
    void SaveImage();
    // Shows the service record of this connection, read-only.
    void ShowRecord();
    // Lists the adjustable bytes that differ from the image as read and, on
    // OK, sends them back with their adjustment commands.
    void Revert();
    // Shows the parameter listing of a saved image beside the radio's.
    void Compare();
    // As compare, then, on a second confirmation, sends the file's values
    // of the adjustable bytes that differ.
    void Restore();

private:
    // Asks for an image file and reads it; false (after saying why) when
    // none was chosen or it is no image.
    bool ChooseImageFile(std::string& name, ByteStr& bytes);

    clsIndOp_RigN7& op_;
    clsCmcRadio& radio_;
    clsServiceRecord& record_;
    const platform::MainWindowControls& c_;
};
