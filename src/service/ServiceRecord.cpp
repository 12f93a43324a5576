#include "service/ServiceRecord.h"

#include <iostream>

#include "radio/clsCmcRadio.h"
#include "service/Fingerprint.h"

namespace {

constexpr const char* kEol = "\r\n";
constexpr const char* kNotOnDisk =
    "The service record is not being kept on disk: the window shows it, File, Service record... saves it "
    "elsewhere.";

std::string WithoutExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t sep = path.find_last_of("/\\");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return path;
    return path.substr(0, dot);
}

std::string FileName(const std::string& path) {
    const std::size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string Values(std::size_t n) { return std::to_string(n) + (n == 1 ? " value" : " values"); }

}  // namespace

const char* clsServiceRecord::kColumns = "Time,Item,Address,As read,Before,Sent,By";

clsServiceRecord::clsServiceRecord(clsCmcRadio& radio, std::function<std::string()> portText)
    : radio_(radio), portText_(std::move(portText)) {}

std::string clsServiceRecord::ArchiveName(const std::string& nameM, const std::string& nameS,
                                          const std::string& fingerprint, const platform::LocalTime& t) {
    return "ZT-N7_" + nameM + "-" + nameS + "_" + fingerprint + "_" + platform::DateTimeFileText(t) + ".bin";
}

std::string clsServiceRecord::CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string q = "\"";
    for (char c : text) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

std::string clsServiceRecord::RowText(const platform::LocalTime& t, const SentValue& v) {
    return RowText(t, v, SendSourceText(v.source));
}

std::string clsServiceRecord::RowText(const platform::LocalTime& t, const SentValue& v, const std::string& by) {
    const auto shown = [&v](std::uint8_t b) { return service::ShownByte(b, v.isSigned); };
    return platform::DateTimeZoneText(t) + "," + CsvField(v.item) + "," + std::to_string(v.adr) + "," +
           shown(v.asRead) + "," + shown(v.before) + "," + shown(v.sent) + "," + CsvField(by) + kEol;
}

std::string clsServiceRecord::AsReadRowText(const platform::LocalTime& t, int items) {
    return NoteRowText(t, std::to_string(items) + " items as read", "connect");
}

std::string clsServiceRecord::NoteRowText(const platform::LocalTime& t, const std::string& note,
                                          const std::string& by) {
    return platform::DateTimeZoneText(t) + "," + CsvField(note) + ",,,,," + CsvField(by) + kEol;
}

std::string clsServiceRecord::Archive(const ByteStr& image, const platform::LocalTime& now, std::string& why) {
    platform::IStorage& store = platform::Storage();
    const std::string folder = store.dataFolder();
    // Two reads in the same second keep both.
    const std::string base =
        folder + "/" +
        WithoutExtension(ArchiveName(radio_.radioNameM(), radio_.radionameS(), service::UnitFingerprint(image), now));
    std::string path = base + ".bin";
    for (int n = 2; store.exists(path) || store.exists(WithoutExtension(path) + ".csv"); ++n)
        path = base + "_" + std::to_string(n) + ".bin";
    if (store.writeNew(path, image, why)) return path;
    return std::string();
}

void clsServiceRecord::ImageRead(const ByteStr& image) {
    platform::IStorage& store = platform::Storage();
    imagePath_.clear();
    recordPath_.clear();
    text_.clear();
    recordWritable_ = false;
    savedElsewhere_ = 0;
    told_ = 0;
    since_.reset();
    verifyOutcome_.reset();
    lastVerify_.reset();
    notSent_.reset();
    asRead_ = image;
    fingerprint_ = service::UnitFingerprint(image);
    const std::string folder = store.dataFolder();
    const platform::LocalTime now = store.localTime();
    std::string why;
    std::string imageNote;
    std::string path;
    if (folder.empty()) {
        Tell(std::string("Cannot archive the EEPROM image read: the program knows no data folder.\r\n"
                         "The adjustment goes on without an archive. ") + kNotOnDisk,
             Kind::Archive);
        imageNote = "not saved (no data folder)";
    } else if (!store.makeFolder(folder, why)) {
        Tell("Cannot archive the EEPROM image read: the folder '" + folder + "' cannot be made (" + why +
             ").\r\nThe adjustment goes on without an archive. " + kNotOnDisk,
             Kind::Archive);
        imageNote = "not saved (" + why + ")";
    } else {
        path = Archive(image, now, why);
        if (!path.empty()) {
            imagePath_ = path;
            imageNote = FileName(path);
        } else {
            Tell("Cannot archive the EEPROM image read to '" + folder + "/" +
                 ArchiveName(radio_.radioNameM(), radio_.radionameS(), fingerprint_, now) + "': " + why +
                 ".\r\nThe adjustment goes on without the archive.",
             Kind::Archive);
            imageNote = "not saved (" + why + ")";
            path = folder + "/" + ArchiveName(radio_.radioNameM(), radio_.radionameS(), fingerprint_, now);
        }
        recordPath_ = WithoutExtension(path) + ".csv";
        recordWritable_ = true;
    }
    const std::string port = portText_ ? portText_() : std::string();
    Append(std::string("Service record") + kEol + "Date," + CsvField(platform::DateTimeZoneText(now)) + kEol +
           "Program," + CsvField(kAppTitle) + kEol + "Port," + CsvField(port) + kEol + "Radio," +
           CsvField("ZT-N7 " + radio_.radioNameM() + "-" + radio_.radionameS()) + kEol + "Archived image," +
           CsvField(imageNote) + kEol + "Unit fingerprint," + CsvField(fingerprint_) + kEol + kEol + kColumns +
           kEol);
}

void clsServiceRecord::ValuesAsReadSent(int items) {
    if (!HasRecord()) return;
    Append(AsReadRowText(platform::Storage().localTime(), items));
}

void clsServiceRecord::ValueSent(const SentValue& value) {
    const platform::LocalTime now = platform::Storage().localTime();
    if (!since_) since_ = now;
    if (!HasRecord()) return;
    Append(RowText(now, value));
}

void clsServiceRecord::ValuesNotSent(const std::vector<SentValue>& values, const std::string& cause) {
    if (values.empty()) return;
    notSent_ = NotSent{values, cause};
    if (!HasRecord()) return;
    const platform::LocalTime now = platform::Storage().localTime();
    // The value that was not sent goes in the sent column; the row's source
    // says it never left.
    for (const SentValue& v : values) Append(RowText(now, v, std::string(SendSourceText(v.source)) + " not sent: " + cause));
}

bool clsServiceRecord::VerifyRead(const ByteStr& expected, const ByteStr& found,
                                  const std::vector<std::int32_t>& sent, const std::vector<AdjustableByte>& adjustable) {
    const platform::LocalTime now = platform::Storage().localTime();
    const std::string want = service::UnitFingerprint(expected);
    const std::string got = service::UnitFingerprint(found);
    VerifyOutcome outcome;
    if (want != got) {
        outcome.refused = "The radio read is another unit: its fingerprint is " + got + ", this connection's radio's " +
                          want + ".\nNothing of its image was taken; the values sent are still not verified.";
        verifyOutcome_ = outcome;
        if (HasRecord()) Append(NoteRowText(now, "Verify refused: another unit (fingerprint " + got + ")", "verify"));
        return false;
    }
    service::VerifyResult r = service::CompareVerifyRead(expected, found, sent, adjustable);
    r.when = now;
    r.since = since_ ? *since_ : now;
    since_.reset();
    std::string why;
    std::string archived;
    if (!platform::Storage().dataFolder().empty()) archived = Archive(found, now, why);
    if (HasRecord()) {
        const std::string summary =
            r.mismatches.empty()
                ? "Verify: all " + Values(static_cast<std::size_t>(r.valuesSent)) + " stored"
                : "Verify: " + std::to_string(r.mismatches.size()) + " of " +
                      Values(static_cast<std::size_t>(r.valuesSent)) + " not stored";
        Append(NoteRowText(now, summary, "verify"));
        const auto row = [&](const service::VerifyDifference& d, const std::string& what) {
            const std::uint8_t asRead = static_cast<std::size_t>(d.adr) < asRead_.size()
                                            ? asRead_[static_cast<std::size_t>(d.adr)]
                                            : 0;
            Append(platform::DateTimeZoneText(now) + "," + CsvField(d.item) + "," + std::to_string(d.adr) + "," +
                   service::ShownByte(asRead, d.isSigned) + ",,,verify: " + what + " (expected " +
                   service::ShownByte(d.expected, d.isSigned) + " found " + service::ShownByte(d.found, d.isSigned) +
                   ")" + kEol);
        };
        for (const auto& d : r.mismatches) row(d, "not stored");
        for (const auto& d : r.unsentDiffering) row(d, "changed but never sent");
        Append(NoteRowText(now,
                           archived.empty() ? "Verify read not archived" + (why.empty() ? "" : " (" + why + ")")
                                            : "Verify read archived as " + FileName(archived),
                           "verify"));
    }
    outcome.result = r;
    verifyOutcome_ = outcome;
    lastVerify_ = r;
    return true;
}

void clsServiceRecord::VerifyFailed() {
    if (!HasRecord()) return;
    Append(NoteRowText(platform::Storage().localTime(), "Verify read did not end whole: nothing taken", "verify"));
}

void clsServiceRecord::Append(const std::string& text) {
    text_ += text;
    if (!recordWritable_) return;
    std::string why;
    if (platform::Storage().append(recordPath_, text, why)) return;
    // Nothing more goes to the file: a record with holes would mislead.
    recordWritable_ = false;
    Tell("Cannot write the service record '" + recordPath_ + "': " + why + ".\r\nThe adjustment goes on. " +
             kNotOnDisk,
         Kind::Record);
}

void clsServiceRecord::Tell(const std::string& text, Kind kind) {
    std::cerr << "Service record: " << text << "\n";
    const unsigned bit = 1u << static_cast<unsigned>(kind);
    if ((told_ & bit) != 0) return;
    told_ |= bit;
    // Two failures before the user was told (a full disk stops the archive
    // and the record at once) make one notice.
    notice_ += (notice_.empty() ? "" : "\r\n\r\n") + text;
}

std::string clsServiceRecord::TakeNotice() {
    std::string n;
    n.swap(notice_);
    return n;
}

std::optional<clsServiceRecord::VerifyOutcome> clsServiceRecord::TakeVerifyOutcome() {
    std::optional<VerifyOutcome> o;
    o.swap(verifyOutcome_);
    return o;
}

std::optional<clsServiceRecord::NotSent> clsServiceRecord::TakeNotSent() {
    std::optional<NotSent> o;
    o.swap(notSent_);
    return o;
}
