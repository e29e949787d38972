#pragma once
// The entries of the console's two lists, in the order the device numbers
// them: the index sent is the position in the list, and the language name is
// what the device's own list is searched for.
#include <array>

namespace tarnwell {

inline constexpr std::array<const char*, 2> kVideoStandardNames = {"PAL", "NTSC"};

inline constexpr std::array<const char*, 36> kLanguageNames = {
    "English",  "SimpChinese", "TradChinese", "Italian",  "Spanish",   "Japanese",   "Russian",    "French",
    "German",   "Portugal",    "Turkey",      "Poland",   "Romanian",  "Hungarian",  "Finnish",    "Estonian",
    "Korean",   "Farsi",       "Dansk",       "Czech",    "Bulgaria",  "Slovakian",  "Slovenia",   "Croatian",
    "Dutch",    "Greek",       "Ukrainian",   "Swedish",  "Serbian",   "Vietnamese", "Lithuanian", "Filipino",
    "Arabic",   "Catalan",     "Latvian",     "Thai",
};

} // namespace tarnwell
