#pragma once
// The main window's controls, by the names the program uses. The Qt window
// fills this with widget adapters; tests fill it with recording controls.
// Control arrays keep their indexes (the port menu from 1).
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Document.h"

namespace platform {

// A read-only text in a window of its own. Without okCaption it is a view
// with one button to close it; with okCaption it asks (OK and Cancel), and
// with requiredTick too the OK button works only once the check box of that
// caption is ticked.
struct TextView {
    std::string title;
    std::string text;
    std::string okCaption;
    std::string requiredTick;
};

// One serial device as the device dialog lists it.
struct DeviceRow {
    std::string name;          // the name the port is mapped to
    std::string kernelName;
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    std::string usbId;         // vendor:product in hex, empty when not USB
    std::string state;         // "free", "in use by ...", "no permission (group dialout)"
    bool canOpen = false;
};

// The device dialog: the port it maps, the rows of the moment (asked again
// while it is open) and the row to preselect for them (-1: none).
struct DeviceDialog {
    int portNumber = 1;
    std::string current;       // the device the port maps to now
    bool currentPresent = true;
    std::function<std::vector<DeviceRow>()> rows;
    std::function<int(const std::vector<DeviceRow>&)> preselect;
};

struct MainWindowControls {
    IWindow* window = nullptr;
    ILabel* lblComBusy = nullptr;
    std::array<IButton*, 3> cmd00{};
    std::array<IFrame*, 4> fra01{};
    IListBox* lboConsole = nullptr;
    std::array<IListBox*, 2> lbo01{};
    ILabel* lblTitle = nullptr;
    ILabel* lblProgress = nullptr;
    ITextBox* txtDispPara = nullptr;
    std::array<ILine*, 2> linSepa{};
    std::array<IMenuItem*, 5> mnuOptSelCom{};            // 1..4 used
    std::array<IMenuItem*, 6> mnuOptionSelAutoRelease{};  // 0..5
    IMenuItem* mnuFileSaveImage = nullptr;               // backup of the image read
    IMenuItem* mnuFileServiceRecord = nullptr;          // the record of this connection
    IMenuItem* mnuFileRevert = nullptr;                 // back to the values as read
    IMenuItem* mnuFileCompare = nullptr;                // with a saved image
    IMenuItem* mnuFileRestore = nullptr;                // adjustments from a saved image
    IMenuItem* mnuFileVerify = nullptr;                 // reads the radio again to prove what it holds
    // The safety net's state: a revert's progress, values not verified, a
    // record kept only in memory; empty when there is nothing to say.
    ILabel* lblSafetyNet = nullptr;
    // Asks the user for a file to save to; empty when cancelled.
    std::function<std::string(const std::string& suggestedName)> chooseSaveFile;
    // Asks the user for a file to open, starting in `folder` and showing
    // first the files whose names match `pattern` ("*_1A2B3C4D_*.bin"; all
    // image files when empty); empty when cancelled.
    std::function<std::string(const std::string& folder, const std::string& pattern)> chooseOpenFile;
    // Shows the text modally; true when it asked and OK was pressed.
    std::function<bool(const TextView& view)> showText;
    // The service report (service/ServiceReports.h).
    IMenuItem* mnuFileReport = nullptr;        // of this connection, as a PDF
    IMenuItem* mnuFilePrintReport = nullptr;   // the same, printed
    IMenuItem* mnuFileImageReport = nullptr;   // of a saved image alone
    IMenuItem* mnuFileCharts = nullptr;        // opens the chart window
    IChartView* chartView = nullptr;
    // Asks for the PDF file to write; empty when cancelled.
    std::function<std::string(const std::string& suggestedName)> chooseReportFile;
    // Writes the document as a PDF on the system's default paper size;
    // false with the reason when it cannot.
    std::function<bool(const Document& doc, const std::string& path, std::string& why)> writePdf;
    // Prints the document through the system's print dialog; false when
    // cancelled or it cannot.
    std::function<bool(const Document& doc)> printDocument;
    // The device behind the chosen port, shown beside the port's state.
    ILabel* lblComDevice = nullptr;
    // Shows the device dialog modally; the chosen row's name, empty when cancelled.
    std::function<std::string(const DeviceDialog& dialog)> chooseDevice;
};

} // namespace platform
