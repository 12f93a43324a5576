#pragma once
// The technician's safety net: every clone read that ended whole is archived
// as a raw image in the data folder, without asking, before anything of the
// adjustment cycle is sent; beside it (same name, .csv) a service record of
// the connection gets one row per value that reached the radio, appended
// and handed to the system as it happens, so a crash or a pulled cable
// keeps every row up to the last value sent.
//
// A file that cannot be written is told to the user once per connection
// (TakeNotice, shown by the main window after its tick); the adjustment
// goes on, and what was there before is never touched. Rows are written when
// the command is handed to the link: the adjustment commands get no answer
// from the radio, so a row means "sent"; a link failure afterwards ends the
// connection with its own message.
#include <functional>
#include <string>

#include "model/AdjustmentRecord.h"
#include "platform/Storage.h"

class clsCmcRadio;

class clsServiceRecord : public IAdjustmentRecord {
public:
    // portText names the port and its device for the record's header.
    clsServiceRecord(clsCmcRadio& radio, std::function<std::string()> portText);

    void ImageRead(const ByteStr& image) override;
    void ValuesAsReadSent(int items) override;
    void ValueSent(const SentValue& value) override;

    // The archived image and the record of the present connection; empty
    // before the first whole read, or when nothing could be written.
    const std::string& ImagePath() const { return imagePath_; }
    const std::string& RecordPath() const { return recordPath_; }
    // What the record holds so far; kept also when the file cannot be written.
    const std::string& RecordText() const { return text_; }
    bool HasRecord() const { return !text_.empty(); }
    // The message about a file that could not be written, once; then empty.
    std::string TakeNotice();

    // "ZT-N7_2526-0100_2026-12-10_14-03-09.bin"
    static std::string ArchiveName(const std::string& nameM, const std::string& nameS, const platform::LocalTime& t);
    static const char* kColumns;
    // One row: time, item, EEPROM address, value as read, value before,
    // value sent (bytes in decimal) and what sent it; CR LF at the end.
    static std::string RowText(const platform::LocalTime& t, const SentValue& v);
    // The single row for the first cycle's send of the values as read.
    static std::string AsReadRowText(const platform::LocalTime& t, int items);
    // A field of a row, quoted when it holds a separator or a quote.
    static std::string CsvField(const std::string& text);

private:
    void Append(const std::string& text);
    void Tell(const std::string& text);

    clsCmcRadio& radio_;
    std::function<std::string()> portText_;
    std::string imagePath_;
    std::string recordPath_;
    std::string text_;
    bool recordWritable_ = false;
    bool told_ = false;
    std::string notice_;
};
