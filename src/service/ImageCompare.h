#pragma once
// Saved images beside the radio's: reading an image file (anything that is
// not exactly 12288 bytes is refused with a message that says why), the
// parameter listings of both side by side with the differing lines marked,
// and how many bytes outside the adjustments differ.
#include <cstdint>
#include <string>
#include <vector>

#include "model/AdjustmentRecord.h"
#include "radio/RigN7Eep_Display.h"
#include "shell/Types.h"

struct ImageFile {
    bool ok = false;
    ByteStr bytes;
    std::string error;  // the message for the user when !ok
};

// Reads the file through the platform's storage.
ImageFile ReadImageFile(const std::string& path);

// Bytes outside the adjustable ones (channels and everything else) that differ.
int OtherBytesDiffering(const ByteStr& a, const ByteStr& b, const std::vector<AdjustableByte>& adjustable);

// The view of a comparison: a heading, the count of differing adjustable
// bytes, then the two 100-line listings side by side, ">" before each
// differing line that a restore would send (it shows the file's value
// afterwards), "*" before each one it would not (other bytes).
std::string CompareText(const ByteStr& radio, const ByteStr& file, const std::string& fileName,
                        int adjustableDiffering, const rign7eep::TempBorderFn& tempBorder,
                        const std::vector<AdjustableByte>& adjustable);

// The lines of a listing, without their CR LF.
std::vector<std::string> ListingLines(const ByteStr& image, const rign7eep::TempBorderFn& tempBorder);

// The differing bytes as a table for a confirmation: item, address, the
// value to be sent (column `targetName`) and the value now (`nowName`);
// band-pass points as the console shows them (signed).
std::string DifferenceTable(const std::vector<ValueDifference>& diffs, const std::string& targetName,
                            const std::string& nowName);
