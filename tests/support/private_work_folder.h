#pragma once
// Points the tool's work folder at a fresh temporary folder for the life of
// the object (through the variable the work folder reads), and puts the previous setting back.
// Create it before the code under test first asks for a work file.
#include "support/temp_dir.h"

#include <optional>
#include <string>

namespace tarnwell::test {

class PrivateWorkFolder {
public:
    PrivateWorkFolder();
    ~PrivateWorkFolder();
    PrivateWorkFolder(const PrivateWorkFolder&) = delete;
    PrivateWorkFolder& operator=(const PrivateWorkFolder&) = delete;

    // The path the tool uses for a work file of this name.
    std::string File(const std::string& name) const;

private:
    TempDir home_;
    std::optional<std::string> previous_;
};

} // namespace tarnwell::test
