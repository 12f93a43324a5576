#include "service/ImageCompare.h"

#include <algorithm>
#include <set>

#include "platform/Storage.h"
#include "radio/clsCmcEeprom.h"
#include "service/TextColumns.h"
#include "service/Verify.h"

namespace {

using service::PadLeft;
const auto Pad = service::PadRight;

std::string Shown(const ValueDifference& d, std::uint8_t v) { return service::ShownByte(v, d.byte.isSigned); }

} // namespace

ImageFile ReadImageFile(const std::string& path) {
    ImageFile f;
    std::string why;
    if (path.empty()) {
        f.error = "No image file was given.";
        return f;
    }
    const std::size_t want = static_cast<std::size_t>(clsCmcEeprom::kDefaultSize);
    // One byte more than an image tells a longer file.
    if (!platform::Storage().read(path, f.bytes, want + 1, why)) {
        f.bytes.clear();
        f.error = "Cannot read '" + path + "': " + why + ".";
        return f;
    }
    if (f.bytes.empty()) {
        f.error = "'" + path + "' is empty: an EEPROM image of the ZT-N7 holds " + std::to_string(want) + " bytes.";
    } else if (f.bytes.size() != want) {
        f.error = "'" + path + "' is not an EEPROM image of the ZT-N7: it holds " +
                  (f.bytes.size() > want ? "more than " + std::to_string(want) : std::to_string(f.bytes.size())) +
                  " bytes, an image holds " + std::to_string(want) + ".";
    } else {
        f.ok = true;
        return f;
    }
    f.bytes.clear();
    return f;
}

int OtherBytesDiffering(const ByteStr& a, const ByteStr& b, const std::vector<AdjustableByte>& adjustable) {
    std::set<std::int32_t> adj;
    for (const AdjustableByte& x : adjustable) adj.insert(x.adr);
    int n = 0;
    const std::size_t size = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < size; ++i)
        if (a[i] != b[i] && adj.count(static_cast<std::int32_t>(i)) == 0) ++n;
    return n + static_cast<int>(std::max(a.size(), b.size()) - size);
}

std::vector<std::string> ListingLines(const ByteStr& image, const rign7eep::TempBorderFn& tempBorder) {
    clsCmcEeprom eep;
    eep.WriteBlock(0, image);
    const std::string text = rign7eep::ParaListing(eep, tempBorder);
    std::vector<std::string> lines;
    std::size_t p = 0;
    while (p < text.size()) {
        std::size_t e = text.find("\r\n", p);
        if (e == std::string::npos) e = text.size();
        lines.push_back(text.substr(p, e - p));
        p = e + 2;
    }
    return lines;
}

std::string CompareText(const ByteStr& radio, const ByteStr& file, const std::string& fileName,
                        int adjustableDiffering, const rign7eep::TempBorderFn& tempBorder,
                        const std::vector<AdjustableByte>& adjustable) {
    const std::vector<std::string> left = ListingLines(radio, tempBorder);
    const std::vector<std::string> right = ListingLines(file, tempBorder);
    // What a restore leaves: the radio's image with the file's adjustable bytes.
    ByteStr restored = radio;
    for (const AdjustableByte& b : adjustable) {
        const auto i = static_cast<std::size_t>(b.adr);
        if (b.adr >= 0 && i < restored.size() && i < file.size()) restored[i] = file[i];
    }
    const std::vector<std::string> after = ListingLines(restored, tempBorder);
    std::size_t w = std::string("Radio (the program's image)").size();
    for (const std::string& l : left) w = std::max(w, l.size());
    const std::size_t rows = std::max(left.size(), right.size());
    int sends = 0;
    int stays = 0;
    std::string body;
    for (std::size_t i = 0; i < rows; ++i) {
        const std::string a = i < left.size() ? left[i] : std::string();
        const std::string b = i < right.size() ? right[i] : std::string();
        const std::string r = i < after.size() ? after[i] : std::string();
        std::string mark = "  ";
        if (a != b && r == b) {
            mark = "> ";  // restore sends it
            ++sends;
        } else if (a != b) {
            mark = "* ";  // differs, and restore leaves it as the radio has it
            ++stays;
        }
        body += mark + Pad(a, w) + " | " + b + "\n";
    }
    std::string head = std::to_string(adjustableDiffering) +
                       (adjustableDiffering == 1 ? " adjustable byte differs" : " adjustable bytes differ") + ": " +
                       std::to_string(sends) + (sends == 1 ? " line" : " lines") + " marked > (restore sends them), " +
                       std::to_string(stays) + (stays == 1 ? " line" : " lines") +
                       " marked * (restore does not send them).\n\n";
    head += "  " + Pad("Radio (the program's image)", w) + " | " + fileName + "\n";
    return head + body;
}

std::string DifferenceTable(const std::vector<ValueDifference>& diffs, const std::string& targetName,
                            const std::string& nowName) {
    const std::string& left = targetName;
    const std::string& right = nowName;
    std::size_t w = 4;
    for (const ValueDifference& d : diffs) w = std::max(w, d.byte.name.size());
    const std::size_t cw = std::max<std::size_t>(6, std::max(left.size(), right.size())) + 2;
    std::string s = Pad("Item", w) + PadLeft("Address", 9) + PadLeft(left, cw) + PadLeft(right, cw) + "\n";
    for (const ValueDifference& d : diffs)
        s += Pad(d.byte.name, w) + PadLeft(std::to_string(d.byte.adr), 9) + PadLeft(Shown(d, d.target), cw) +
             PadLeft(Shown(d, d.now), cw) + "\n";
    return s;
}
