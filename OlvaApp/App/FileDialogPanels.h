// The open panels as the desktop's file dialogs.
#pragma once

#include "OlvaApp/Model/OpenPanels.h"

namespace olva::app {

class FileDialogPanels final : public OpenPanels {
public:
    std::optional<std::filesystem::path> choose(const OpenPanelRequest& request) override;
};

}  // namespace olva::app
