// libFuzzer target for the model constants file reader (Const.ini in the
// folder the program starts in): the input is the file. A file is taken or
// refused; no value that is not finite may ever reach the constants, and
// the compensation table's temperature borders come out of them whatever
// they hold. Any crash, sanitizer report or broken promise aborts.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzOperation.h"

namespace {
std::string constPath;
zsfuzz::Operation* o = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The reader looks in the current folder: the scratch folder. (The fuzz
    // script hands libFuzzer its corpus folder as an absolute path.)
    constPath = zsfuzz::ScratchPath("Const.ini");
    if (::chdir(constPath.substr(0, constPath.rfind('/')).c_str()) != 0) std::abort();
    o = new zsfuzz::Operation();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zsfuzz::WriteBytes(constPath, data, size);
    o->op.extParam.fill(0.0f);
    static_cast<void>(o->op.RigN7Prop_ReadParametersFromExtFile());
    for (float v : o->op.extParam)
        if (!std::isfinite(v)) std::abort();
    for (std::int16_t i = 0; i <= 21; ++i) static_cast<void>(o->op.RigN7Op_Table_Txf_TempBorder(i));
    return 0;
}
