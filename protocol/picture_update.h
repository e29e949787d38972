#pragma once
// What the picture update (OperatorConsole::UpdatePicture and SendLogoImage)
// and the devices that receive it agree on.
#include <cstdint>

namespace tarnwell {

// The member type of "logo-x.cramfs.img" in a firmware package; the device
// stores an image of this type in its logo partition.
inline constexpr std::uint32_t kLogoImageType = 6;
// The device's logo partition takes no more than this.
inline constexpr std::uint64_t kMaxLogoImageSize = 131072;
// Pictures beyond this many are left out of the image.
inline constexpr int kMaxLogoPictures = 10;

} // namespace tarnwell
