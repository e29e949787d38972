#pragma once
// The picture update: the chosen bitmaps become a logo image in the
// session's work folder, which goes to the unit behind a 0xC7 block and its
// attributes. The unit sends no answer: delivery is judged by its close.
#include "device/outcome.h"
#include "device/unit_session.h"

#include <string>
#include <vector>

namespace tarnwell {

// Builds the image from the first ten of `picturePaths` (the flash layout
// the unit last reported chooses the install script) and sends it.
Outcome UpdatePicture(const UnitSession& session, const std::vector<std::string>& picturePaths);
// Sends the image the builder left in the work folder, and deletes it.
Outcome SendLogoImage(const UnitSession& session);

} // namespace tarnwell
