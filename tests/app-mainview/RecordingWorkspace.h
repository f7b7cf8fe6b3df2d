// A workspace that remembers what the views asked it to open or reveal.
#pragma once

#include "OlvaApp/Model/Workspace.h"

#include <filesystem>
#include <vector>

namespace olva::test {

class RecordingWorkspace : public app::Workspace {
public:
    void open(const std::filesystem::path& file) override { opened.push_back(file); }
    void reveal(const std::filesystem::path& item) override { revealed.push_back(item); }

    std::vector<std::filesystem::path> opened;
    std::vector<std::filesystem::path> revealed;
};

}  // namespace olva::test
