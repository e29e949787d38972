#pragma once
// The name a picture gets inside the logo image. The device's loader looks for
// three fixed names only, so every input is stored under one of them.
#include <string>
#include <string_view>

namespace tarnwell {

inline constexpr std::string_view kLogoNames[] = {"bmp_logo.bmp", "bmp_logo_middle.bmp", "bmp_logo_8ch.bmp"};

// The part after the last '/' of the path (else after the last '\\', else the
// whole path), kept when it is one of kLogoNames in any letter case, otherwise
// "bmp_logo.bmp"; returned in lower case.
std::string LogoEntryName(std::string_view path);

} // namespace tarnwell
