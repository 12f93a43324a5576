#pragma once
// The technician's safety net: every clone read that ended whole is archived
// as a raw image in the data folder, without asking, before anything of the
// adjustment cycle is sent; beside it (same name, .csv) a service record of
// the connection gets one row per value that reached the link, appended
// and synced to the disk as it happens, so a crash or a pulled cable keeps
// every row up to the last value sent. The archive's name and the record's
// header carry the unit's fingerprint (service/Fingerprint.h).
//
// A file that cannot be written is told to the user once per connection
// (TakeNotice, shown by the main window after its tick); the adjustment
// goes on, what was there before is never touched, and the record stays in
// memory (OnlyInMemory) for the window to show and to save elsewhere.
//
// The radio does not answer adjustment commands, so a row of a value sent
// means "handed to the link"; a verify read (service/Verify.h) proves what
// the radio holds, and its result goes into the record too.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/AdjustmentRecord.h"
#include "platform/Storage.h"
#include "service/Verify.h"

class clsCmcRadio;

class clsServiceRecord : public IAdjustmentRecord {
public:
    // portText names the port and its device for the record's header.
    clsServiceRecord(clsCmcRadio& radio, std::function<std::string()> portText);

    void ImageRead(const ByteStr& image) override;
    void ValuesAsReadSent(int items) override;
    void ValueSent(const SentValue& value) override;
    void ValuesNotSent(const std::vector<SentValue>& values, const std::string& cause) override;
    bool VerifyRead(const ByteStr& expected, const ByteStr& found, const std::vector<std::int32_t>& sent,
                    const std::vector<AdjustableByte>& adjustable) override;
    void VerifyFailed() override;

    // The archived image and the record of the present connection; empty
    // before the first whole read, or when nothing could be written.
    const std::string& ImagePath() const { return imagePath_; }
    const std::string& RecordPath() const { return recordPath_; }
    // What the record holds so far; kept also when the file cannot be written.
    const std::string& RecordText() const { return text_; }
    bool HasRecord() const { return !text_.empty(); }
    // The record exists only in memory: its file could not be made or written.
    bool OnlyInMemory() const { return HasRecord() && !recordWritable_; }
    // The record was saved elsewhere by the user after it could not be kept;
    // a later row makes it unsaved again.
    void SavedElsewhere() { savedElsewhere_ = text_.size(); }
    bool UnsavedInMemory() const { return OnlyInMemory() && savedElsewhere_ != text_.size(); }
    // The unit's fingerprint of the connection's image as read.
    const std::string& Fingerprint() const { return fingerprint_; }
    // The message about a file that could not be written, once; then empty.
    std::string TakeNotice();

    // What the last verify found, once; then empty. A verify refused (another
    // unit) or failed has its text in `refused`.
    struct VerifyOutcome {
        std::optional<service::VerifyResult> result;
        std::string refused;
    };
    std::optional<VerifyOutcome> TakeVerifyOutcome();
    // The result of the connection's last verify that went through (for a
    // report); empty before one.
    const std::optional<service::VerifyResult>& LastVerify() const { return lastVerify_; }
    // The values of the last sending back that were not sent, with the cause; once.
    struct NotSent {
        std::vector<SentValue> values;
        std::string cause;
    };
    std::optional<NotSent> TakeNotSent();

    // "ZT-N7_2526-0100_1A2B3C4D_2026-12-10_14-03-09.bin"
    static std::string ArchiveName(const std::string& nameM, const std::string& nameS,
                                   const std::string& fingerprint, const platform::LocalTime& t);
    static const char* kColumns;
    // One row: date, time and UTC offset, item, EEPROM address, value as
    // read, value before, value sent (in decimal, signed bytes as the console
    // shows them) and what sent it; CR LF at the end.
    static std::string RowText(const platform::LocalTime& t, const SentValue& v);
    static std::string RowText(const platform::LocalTime& t, const SentValue& v, const std::string& by);
    // The single row for the first cycle's send of the values as read.
    static std::string AsReadRowText(const platform::LocalTime& t, int items);
    // A row that tells something (item field) without values.
    static std::string NoteRowText(const platform::LocalTime& t, const std::string& note, const std::string& by);
    // A field of a row, quoted when it holds a separator or a quote.
    static std::string CsvField(const std::string& text);

private:
    // A new archive file for the image in the data folder; its path, or
    // empty (why says why) when it could not be written.
    std::string Archive(const ByteStr& image, const platform::LocalTime& now, std::string& why);
    void Append(const std::string& text);
    // What failed: each is told once per connection.
    enum class Kind { Archive, Record };
    void Tell(const std::string& text, Kind kind);

    clsCmcRadio& radio_;
    std::function<std::string()> portText_;
    std::string imagePath_;
    std::string recordPath_;
    std::string text_;
    std::string fingerprint_;
    ByteStr asRead_;
    bool recordWritable_ = false;
    std::size_t savedElsewhere_ = 0;
    unsigned told_ = 0;  // the kinds told
    std::string notice_;
    std::optional<VerifyOutcome> verifyOutcome_;
    std::optional<service::VerifyResult> lastVerify_;
    std::optional<NotSent> notSent_;
    std::optional<platform::LocalTime> since_;
};
