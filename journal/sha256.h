#pragma once
// Hex digests of texts and files, for the package hash the journal records.
#include "protocol/sha256.h"

#include <optional>
#include <string>

namespace tarnwell {

std::string Sha256Hex(const std::string& bytes);
// Nothing when the file cannot be read to its end.
std::optional<std::string> Sha256OfFile(const std::string& path);

} // namespace tarnwell
