#include "service/ServiceRecord.h"

#include <iostream>

#include "radio/clsCmcRadio.h"

namespace {

constexpr const char* kEol = "\r\n";

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

} // namespace

const char* clsServiceRecord::kColumns = "Time,Item,Address,As read,Before,Sent,By";

clsServiceRecord::clsServiceRecord(clsCmcRadio& radio, std::function<std::string()> portText)
    : radio_(radio), portText_(std::move(portText)) {}

std::string clsServiceRecord::ArchiveName(const std::string& nameM, const std::string& nameS,
                                          const platform::LocalTime& t) {
    return "ZT-N7_" + nameM + "-" + nameS + "_" + platform::DateTimeFileText(t) + ".bin";
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
    return platform::TimeText(t) + "," + CsvField(v.item) + "," + std::to_string(v.adr) + "," +
           std::to_string(v.asRead) + "," + std::to_string(v.before) + "," + std::to_string(v.sent) + "," +
           SendSourceText(v.source) + kEol;
}

std::string clsServiceRecord::AsReadRowText(const platform::LocalTime& t, int items) {
    return platform::TimeText(t) + "," + std::to_string(items) + " items as read,,,,,connect" + kEol;
}

void clsServiceRecord::ImageRead(const ByteStr& image) {
    platform::IStorage& store = platform::Storage();
    imagePath_.clear();
    recordPath_.clear();
    text_.clear();
    recordWritable_ = false;
    told_ = false;
    const std::string folder = store.dataFolder();
    if (folder.empty()) return;  // the program keeps no files

    const platform::LocalTime now = store.localTime();
    std::string why;
    std::string imageNote;
    std::string path;
    if (!store.makeFolder(folder, why)) {
        Tell("Cannot archive the EEPROM image read: the folder '" + folder + "' cannot be made (" + why +
             ").\r\nThe adjustment goes on without an archive and without a service record.");
        return;
    }
    // Two reads in the same second keep both.
    const std::string base = folder + "/" + WithoutExtension(ArchiveName(radio_.radioNameM(), radio_.radionameS(), now));
    path = base + ".bin";
    for (int n = 2; store.exists(path) || store.exists(WithoutExtension(path) + ".csv"); ++n)
        path = base + "_" + std::to_string(n) + ".bin";
    if (store.writeNew(path, image, why)) {
        imagePath_ = path;
        imageNote = FileName(path);
    } else {
        Tell("Cannot archive the EEPROM image read to '" + path + "': " + why +
             ".\r\nThe adjustment goes on without the archive.");
        imageNote = "not saved (" + why + ")";
    }

    recordPath_ = WithoutExtension(path) + ".csv";
    recordWritable_ = true;
    const std::string port = portText_ ? portText_() : std::string();
    Append(std::string("Service record") + kEol + "Date," + CsvField(platform::DateTimeText(now)) + kEol +
           "Program," + CsvField(kAppTitle) + kEol + "Port," + CsvField(port) + kEol + "Radio," +
           CsvField("ZT-N7 " + radio_.radioNameM() + "-" + radio_.radionameS()) + kEol + "Archived image," +
           CsvField(imageNote) + kEol + kEol + kColumns + kEol);
}

void clsServiceRecord::ValuesAsReadSent(int items) {
    if (!HasRecord()) return;
    Append(AsReadRowText(platform::Storage().localTime(), items));
}

void clsServiceRecord::ValueSent(const SentValue& value) {
    if (!HasRecord()) return;
    Append(RowText(platform::Storage().localTime(), value));
}

void clsServiceRecord::Append(const std::string& text) {
    text_ += text;
    if (!recordWritable_) return;
    std::string why;
    if (platform::Storage().append(recordPath_, text, why)) return;
    // Nothing more goes to the file: a record with holes would mislead.
    recordWritable_ = false;
    Tell("Cannot write the service record '" + recordPath_ + "': " + why +
         ".\r\nThe adjustment goes on; File, Service record... shows what this connection sent.");
}

void clsServiceRecord::Tell(const std::string& text) {
    std::cerr << "Service record: " << text << "\n";
    if (told_) return;
    told_ = true;
    notice_ = text;
}

std::string clsServiceRecord::TakeNotice() {
    std::string n;
    n.swap(notice_);
    return n;
}
