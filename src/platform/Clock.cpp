#include "platform/Clock.h"

#include <chrono>

namespace platform {
namespace {

class SteadyTickSource final : public ITickSource {
public:
    std::int32_t tickCount() override {
        using namespace std::chrono;
        auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        // Keep the low 32 bits, as a 32-bit system tick counter does.
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms)));
    }
};

SteadyTickSource g_steady;
ITickSource* g_source = nullptr;

} // namespace

std::int32_t GetTickCount() { return (g_source ? g_source : &g_steady)->tickCount(); }
void SetTickSource(ITickSource* source) { g_source = source; }
ITickSource* CurrentTickSource() { return g_source ? g_source : &g_steady; }

} // namespace platform
