#pragma once
// The ZT-N7 operation on recording controls and a link that never answers,
// for the fuzz targets of the inputs the operation reads from disk.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <stdlib.h>

#include "console/clsConsole.h"
#include "model/clsIndOp_RigN7.h"
#include "radio/clsCmcRadio.h"
#include "support/MemWindowControls.h"

namespace zsfuzz {

class SilentLink final : public IRigN7Link {
public:
    std::int16_t easySendE8NoAnswer(const std::string&) override { return 0; }
    void easyReset(std::int16_t) override {}
    bool OpRunning() const override { return false; }
    void easyCloneRead() override {}
    bool CloneReadWhole() const override { return false; }
    std::int16_t easySendE8ReqAnswer(const std::string&) override { return 0; }
};

// Opens the constants read from Const.ini to the fuzz targets.
class OpenOperation final : public clsIndOp_RigN7 {
public:
    using clsIndOp_RigN7::clsIndOp_RigN7;
    using clsIndOp_RigN7::extParam;
};

struct Operation : testsupport::MemWindowControls {
    platform::MainWindowControls ctl = Controls();
    clsConsole con;
    SilentLink link;
    clsCmcRadio radio;
    OpenOperation op{con, link, radio, ctl};
};

// A scratch file of this process for the input under test.
inline std::string ScratchPath(const std::string& name) {
    // In memory where the system offers it: the targets write a file for
    // every input.
    static const std::string dir = [] {
        char shm[] = "/dev/shm/zs-fuzz-XXXXXX";
        if (const char* made = ::mkdtemp(shm)) return std::string(made);
        char tmp[] = "/tmp/zs-fuzz-XXXXXX";
        const char* made = ::mkdtemp(tmp);
        return std::string(made != nullptr ? made : "/tmp");
    }();
    return dir + "/" + name;
}

inline void WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

} // namespace zsfuzz
