#pragma once
// The device dialog of Option, Port, "Choose device...": a table of the
// system's serial devices, asked again once a second while it is open, and
// OK to map the port to the selected one. Its widgets are named
// "deviceDialog", "deviceTable", "deviceOk" and "deviceNote" for tests and
// screenshots.
#include <string>

#include "platform/MainWindowControls.h"

class QWidget;

namespace platform::qt {

// The chosen row's name; empty when cancelled.
std::string ShowDeviceDialog(QWidget* parent, const DeviceDialog& dialog);

} // namespace platform::qt
