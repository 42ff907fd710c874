// SHA-256 of a byte string, as 64 lower-case hexadecimal digits: what hivesnap records of each
// backup it makes, so that a restore can tell the file is still the one that was made.
#pragma once

#include <string>
#include <string_view>

namespace backup {

std::string Sha256Hex(std::string_view bytes);

}  // namespace backup
