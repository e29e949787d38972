#pragma once
// The operator's MAC address text: six groups of one or two hexadecimal digits
// separated by ':'. A run of ':' counts as one separator and ':' at either end
// is ignored, so "00::11:22:33:44:55:" is well formed.
#include <cstddef>
#include <string>

namespace tarnwell {

// Texts of this length or longer are refused outright.
inline constexpr std::size_t kMacWorkAreaSize = 256;

inline constexpr int kMacTextEmpty = 0;
inline constexpr int kMacTextMalformed = -1;
inline constexpr int kMacTextWellFormed = 1;

// kMacTextEmpty, kMacTextMalformed or kMacTextWellFormed.
int ValidateMacText(std::string text);

// The next address: the last group plus one, carrying into the groups before
// it; a carry out of the first group is dropped. Rewritten groups become two
// upper-case digits, the others keep the operator's case and width, and the
// groups are joined with single ':'. Returns false, leaving `stepped` alone,
// when the text is not well formed.
bool StepMacText(const std::string& text, std::string& stepped);

// The groups of a well-formed text, unchanged, joined with single ':' (at most
// 17 characters). Returns false, leaving `compact` alone, otherwise.
bool CompactMacText(const std::string& text, std::string& compact);

} // namespace tarnwell
