#pragma once
// SHA-256 of a byte string, as 64 lower-case hex digits: what the service
// report prints for the archived image, so anyone can check the file with
// `sha256sum`. Plain C++ (the report is built and tested without Qt).
#include <cstdint>
#include <string>
#include <vector>

namespace service {

std::string Sha256Hex(const std::vector<std::uint8_t>& bytes);
std::string Sha256Hex(const std::string& text);

}  // namespace service
