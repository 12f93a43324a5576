// libFuzzer target for the image files offered to compare and restore: the
// input is the file. It is read as the File menu reads it (anything but
// 12288 bytes is refused with a message), and the same bytes, cut or
// repeated to an image's size, go through everything compare and restore do
// with a file: the differing adjustable bytes, the count of other bytes, the
// two listings side by side and the confirmation table. Any crash,
// sanitizer report or broken promise aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzOperation.h"
#include "radio/clsCmcEeprom.h"
#include "service/ImageCompare.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static zsfuzz::Operation* o = new zsfuzz::Operation();
    const auto want = static_cast<std::size_t>(clsCmcEeprom::kDefaultSize);
    const std::string path = zsfuzz::ScratchPath("image.bin");
    zsfuzz::WriteBytes(path, data, size);
    const ImageFile f = ReadImageFile(path);
    Check(f.ok == (size == want));
    Check(f.ok ? f.bytes.size() == want && f.error.empty() : f.bytes.empty() && !f.error.empty());

    ByteStr image(want, 0xFF);
    for (std::size_t i = 0; size > 0 && i < want; ++i) image[i] = data[i % size];
    const auto border = [](std::int16_t i) { return o->op.RigN7Op_Table_Txf_TempBorder(i); };
    const std::vector<ValueDifference> diffs = o->op.RigOpFunc_Differences(image);
    const int other = OtherBytesDiffering(o->radio.eepImage().bytes(), image, o->op.AdjustableBytes());
    Check(other >= 0 && static_cast<std::size_t>(other) <= want);
    const std::string text =
        CompareText(o->radio.eepImage().bytes(), image, path, static_cast<int>(diffs.size()), border,
                    o->op.AdjustableBytes());
    Check(!text.empty());
    Check(ListingLines(image, border).size() == 100);
    static_cast<void>(DifferenceTable(diffs, "file", "now"));
    return 0;
}
