#include "service/ServiceReport.h"


#include "model/RigN7_Readouts.h"
#include "model/clsIndOp_RigN7.h"
#include "service/ImageCompare.h"
#include "service/ReportCharts.h"
#include "service/Verify.h"

namespace service {

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::uint8_t ByteOf(const ByteStr& image, std::int32_t adr) {
    return adr >= 0 && static_cast<std::size_t>(adr) < image.size() ? image[static_cast<std::size_t>(adr)] : 0;
}

std::string OrNone(const std::string& s, const char* none) { return s.empty() ? none : s; }

// A document's title (its pages' foot), its first heading and who made it when.
platform::Document Begun(const std::string& title, const std::string& heading, const ReportHeader& h) {
    platform::Document doc;
    doc.title = title;
    doc.Heading(heading);
    doc.Paragraph("Made by " + h.program + " (version " + h.version + ") on " + h.dateTime + ".");
    return doc;
}

void ItemsTable(platform::Document& doc, const ConnectionReport& r) {
    Rows rows = {{"Item", "Address", "As read", "Now", "Changed"}};
    std::vector<bool> marked;
    int changed = 0;
    for (const AdjustableByte& b : r.adjustable) {
        const std::uint8_t a = ByteOf(r.asRead, b.adr);
        const std::uint8_t n = ByteOf(r.now, b.adr);
        const bool differs = a != n;
        if (differs) ++changed;
        rows.push_back({b.name, std::to_string(b.adr), ShownByte(a, b.isSigned), ShownByte(n, b.isSigned),
                        differs ? "*" : ""});
        marked.push_back(differs);
    }
    doc.Heading("Adjustable items");
    doc.Paragraph(std::to_string(changed) + (changed == 1 ? " item differs" : " items differ") +
                  " from the radio as read (marked *).");
    doc.Table(std::move(rows), std::move(marked));
}

// The temperature at a border; the two ends of the A/D range are where the
// sensor reads shorted or open, so they have none.
std::string TempText(std::int16_t counts) {
    if (rign7::IsThermistorFault(counts)) return "-";
    return rign7::FormatReadoutQuantity(rign7::kAdLines[1], counts);
}

void TxfSection(platform::Document& doc, const ConnectionReport& r) {
    doc.Heading("TXF compensation table");
    doc.Paragraph(r.procedures.txfTable ? "The TXF procedure computed the whole table and wrote it to the radio."
                                        : "The TXF procedure did not complete a table in this connection.");
    Rows rows = {{"Border", "A/D", "Temperature", "As read", "Now"}};
    std::vector<bool> marked;
    for (int i = 0; i < txf::kBorders; ++i) {
        const auto k = static_cast<std::size_t>(i);
        rows.push_back({std::to_string(i), std::to_string(r.txf.borders[k]), TempText(r.txf.borders[k]),
                        std::to_string(r.txf.asRead[k]), std::to_string(r.txf.now[k])});
        marked.push_back(r.txf.asRead[k] != r.txf.now[k]);
    }
    doc.Table(std::move(rows), std::move(marked));
    doc.AddChart(TxfChartOf(r.txf));
}

void SMeterSection(platform::Document& doc, const ConnectionReport& r) {
    doc.Heading("S-meter points");
    std::string done;
    if (r.procedures.sMeterS3) done += "S3";
    if (r.procedures.sMeterS1) done += done.empty() ? "S1" : " and S1";
    doc.Paragraph(done.empty() ? "The S-meter procedure stored no point in this connection."
                               : "The S-meter procedure stored " + done + ".");
    Rows rows = {{"Point", "Address", "As read", "Now"}};
    for (const auto& [name, adr] : {std::pair<const char*, std::int32_t>{"S-METER S1", 86}, {"S-METER S3", 87}})
        rows.push_back({name, std::to_string(adr), std::to_string(ByteOf(r.asRead, adr)),
                        std::to_string(ByteOf(r.now, adr))});
    doc.Table(std::move(rows));
}

void SweepSection(platform::Document& doc, const ConnectionReport& r) {
    doc.Heading("Band-pass sweep");
    bool any = false;
    for (int f = 0; f < charts::kFilters; ++f) {
        const charts::SweepCurve& c = r.sweep.filters[static_cast<std::size_t>(f)];
        if (c.points.empty()) continue;
        any = true;
        // The filter's setting in the image now (the sweep's own copy may be older).
        const int now = static_cast<std::int8_t>(ByteOf(r.now, rign7ee::kBpfT1 + f));
        std::string text = FilterName(f) + ": " + std::to_string(c.points.size()) + " settings measured from " +
                           std::to_string(c.points.front().setting) + " to " + std::to_string(c.points.back().setting) +
                           " (LVIN " + std::to_string(c.lvin) + ")";
        if (c.settled)
            text += "; highest level " + std::to_string(c.bestLevel) + " from " + std::to_string(c.bestFirst) +
                    " to " + std::to_string(c.bestLast) + ", chosen setting " + std::to_string(c.chosen) +
                    ", now " + std::to_string(now) + ".";
        else
            text += "; the sweep did not finish, now " + std::to_string(now) + ".";
        doc.Paragraph(text);
        doc.AddChart(FilterSweepChartOf(r.sweep, f));
    }
    if (!any) doc.Paragraph("No band-pass filter was swept in this connection.");
}

void RecordSection(platform::Document& doc, const std::string& text) {
    doc.Heading("Service record");
    if (text.empty()) {
        doc.Paragraph("No service record in this connection.");
        return;
    }
    // The record's header lines, then its table from the column line on.
    Rows all = CsvRows(text);
    Rows table;
    std::string head;
    bool inTable = false;
    for (auto& row : all) {
        if (!inTable && !row.empty() && row[0] == "Time") inTable = true;
        if (inTable) {
            if (!row.empty() && !(row.size() == 1 && row[0].empty())) table.push_back(std::move(row));
            continue;
        }
        if (row.empty() || (row.size() == 1 && row[0].empty())) continue;
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) line += (i == 0 ? "" : i == 1 ? ": " : ", ") + row[i];
        head += line + "\n";
    }
    if (!head.empty()) doc.Listing(head);
    if (!table.empty()) doc.Table(std::move(table));
}

}  // namespace

std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    Rows rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    bool any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
            any = true;
        } else if (c == '\n') {
            row.push_back(field);
            rows.push_back(std::move(row));
            row.clear();
            field.clear();
            any = false;
        } else if (c != '\r') {
            field += c;
            any = true;
        }
    }
    if (any) {
        row.push_back(field);
        rows.push_back(std::move(row));
    }
    return rows;
}

platform::Document ConnectionReportDocument(const ConnectionReport& r) {
    platform::Document doc = Begun("Service report " + r.radio, "Service report", r.header);
    doc.Table({{"Radio", r.radio},
               {"Unit fingerprint", OrNone(r.fingerprint, "unknown")},
               {"Port", OrNone(r.port, "unknown")},
               {"Archived image", OrNone(r.archiveName, "not saved")},
               {"SHA-256", OrNone(r.archiveSha256, "-")},
               {"Verification", r.verification ? (r.verification->allStored ? "verified: the radio holds every value sent"
                                                                            : "verified: differences found")
                                               : "not verified"}});
    ItemsTable(doc, r);
    doc.Heading("Procedures");
    TxfSection(doc, r);
    SMeterSection(doc, r);
    SweepSection(doc, r);
    doc.Heading("Last read-outs");
    if (r.readouts.empty()) {
        doc.Paragraph("No read-outs were shown.");
    } else {
        std::string lines;
        for (const std::string& l : r.readouts) lines += l + "\n";
        doc.Listing(lines);
    }
    doc.Heading("Verification");
    if (r.verification)
        doc.Listing("Verify read ended " + r.verification->when + ".\n" + r.verification->text);
    else
        doc.Paragraph("not verified");
    RecordSection(doc, r.recordText);
    return doc;
}

platform::Document ImageReportDocument(const ImageReport& r) {
    platform::Document doc = Begun("Saved image " + r.fileName, "Saved EEPROM image", r.header);
    doc.Table({{"File", r.fileName},
               {"SHA-256", r.sha256},
               {"Unit fingerprint", OrNone(r.fingerprint, "unknown")}});
    if (!r.otherName.empty()) {
        doc.Heading("Differences from " + r.otherName);
        doc.Table({{"Compared with", r.otherName},
                   {"SHA-256", r.otherSha256},
                   {"Unit fingerprint", OrNone(r.otherFingerprint, "unknown")}});
        Rows rows = {{"Item", "Address", r.fileName, r.otherName}};
        for (const AdjustableByte& b : r.adjustable) {
            const std::uint8_t a = ByteOf(r.image, b.adr);
            const std::uint8_t o = ByteOf(r.other, b.adr);
            if (a != o) rows.push_back({b.name, std::to_string(b.adr), ShownByte(a, b.isSigned), ShownByte(o, b.isSigned)});
        }
        const int others = OtherBytesDiffering(r.image, r.other, r.adjustable);
        const int adjustable = static_cast<int>(rows.size()) - 1;
        doc.Paragraph(std::to_string(adjustable) +
                      (adjustable == 1 ? " adjustable byte differs" : " adjustable bytes differ") + ", and " +
                      std::to_string(others) + (others == 1 ? " other byte" : " other bytes") +
                      " (channels and settings)." +
                      (r.fingerprint != r.otherFingerprint
                           ? " The two images come from different units (fingerprints " + OrNone(r.fingerprint, "unknown") +
                                 " and " + OrNone(r.otherFingerprint, "unknown") + ")."
                           : ""));
        if (adjustable > 0) doc.Table(std::move(rows));
        const std::vector<std::string> a = ListingLines(r.image, r.tempBorder);
        const std::vector<std::string> b = ListingLines(r.other, r.tempBorder);
        Rows lines = {{"Line", r.fileName, r.otherName}};
        for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
            const std::string x = i < a.size() ? a[i] : std::string();
            const std::string y = i < b.size() ? b[i] : std::string();
            if (x != y) lines.push_back({std::to_string(i + 1), x, y});
        }
        if (lines.size() > 1) {
            doc.Paragraph("Parameter listing lines that differ:");
            doc.Table(std::move(lines));
        }
    }
    doc.Heading("Parameter listing");
    std::string listing;
    for (const std::string& l : ListingLines(r.image, r.tempBorder)) listing += l + "\n";
    doc.Listing(listing);
    return doc;
}

}  // namespace service
