#include "service/Fingerprint.h"

#include <cstdio>

namespace service {

const std::vector<std::int32_t>& FingerprintAddresses() {
    static const std::vector<std::int32_t> addresses = [] {
        std::vector<std::int32_t> a;
        for (std::int32_t i = 49; i <= 66; ++i) a.push_back(i);  // slants
        for (std::int32_t i = 80; i <= 85; ++i) a.push_back(i);  // tone and modulation corrections
        a.push_back(92);                                         // base frequency
        a.push_back(93);
        return a;
    }();
    return addresses;
}

std::string UnitFingerprint(const ByteStr& image) {
    const auto& addresses = FingerprintAddresses();
    if (image.size() <= static_cast<std::size_t>(addresses.back())) return {};
    std::uint32_t h = 2166136261u;
    for (std::int32_t a : addresses) {
        h ^= image[static_cast<std::size_t>(a)];
        h *= 16777619u;
    }
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(h));
    return text;
}

}  // namespace service
