#pragma once
// The service report as a document: what was done to which radio, for the
// customer or the shop's files. One of a connection (the radio, its archived
// image, every adjustable item as read and now, the procedures with their
// charts, the last read-outs, the verification and the service record's
// rows), and one of a saved image alone (its parameter listing and what
// differs from another saved image). Built from plain data, so the texts
// and numbers are tested without drawing; the platform draws the document.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/AdjustmentRecord.h"
#include "model/ChartData.h"
#include "platform/Document.h"
#include "radio/RigN7Eep_Display.h"
#include "shell/Types.h"

namespace service {

// The outcome of a verify read, as the report shows it.
struct ReportVerification {
    bool allStored = false;
    std::string when;   // "2026-12-11 14:20:05"
    std::string text;   // the result as the verify showed it
};

// Where the report was made and by what.
struct ReportHeader {
    std::string program;    // "ZS-N7 ADJ Rev.1.0"
    std::string version;    // the build's version, "1.0"
    std::string dateTime;   // "2026-12-11 14:03:09 UTC+01:00"
};

struct ConnectionReport {
    ReportHeader header;
    std::string port;          // "COM1 /dev/ttyUSB0"
    std::string radio;         // "ZT-N7 2526-0100"
    std::string fingerprint;   // the unit's fingerprint; empty when unknown
    std::string archiveName;   // the archived image's file name; empty when none was saved
    std::string archiveSha256; // of that file as it is on disk (or of the image as read)
    std::vector<AdjustableByte> adjustable;
    ByteStr asRead;            // the image the clone read brought
    ByteStr now;               // the program's image: every value that reached the radio
    charts::TxfChart txf;
    charts::SweepChart sweep;
    charts::ProcedureLog procedures;
    std::vector<std::string> readouts;   // the read-out lines as last shown
    std::optional<ReportVerification> verification;  // empty: "not verified"
    std::string recordText;    // the service record (CSV lines)
};

platform::Document ConnectionReportDocument(const ConnectionReport& r);

// A saved image, and optionally another one it is compared with.
struct ImageReport {
    ReportHeader header;
    std::string fileName;
    std::string sha256;
    ByteStr image;
    std::string fingerprint;
    std::string otherName;     // empty: no comparison
    std::string otherSha256;
    std::string otherFingerprint;
    ByteStr other;
    std::vector<AdjustableByte> adjustable;
    rign7eep::TempBorderFn tempBorder;
};

platform::Document ImageReportDocument(const ImageReport& r);

// The lines of CSV text as rows of fields (quoted fields may hold commas
// and doubled quotes); a line ends at LF, with or without CR.
std::vector<std::vector<std::string>> CsvRows(const std::string& text);

}  // namespace service
