#pragma once

#include "document/TarnDoc.h"
#include "model/Site.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillan::dialogs {

// The new-project wizard's texts that do not depend on a window: the band and power lists and
// the confirmation text. Texts are in the model's character set.

// "868 MHz", "900 MHz" or "2.4 GHz"; empty for any other band.
[[nodiscard]] const char* wizardBandText(uint16_t band);
// The power a new gateway is offered first: the highest, but 100 mW on 900 MHz.
[[nodiscard]] uint16_t preselectedTxPower(uint16_t band);

// The file a confirmed project is saved to: the folder as shown, a separator when it ends
// without one, the name and ".zavproj".
[[nodiscard]] std::string wizardTargetPath(const std::string& folderShown, const std::string& name);

struct WizardSummary {
    // CRLF line ends and tabs, as it is saved by "Save Text".
    std::string text;
    // The leading characters of text that warn of the file being overwritten; 0 without one.
    std::size_t warningLength = 0;
};

// The confirmation text of the values the wizard would hand over; the gateway's block only
// when values has a gateway.
[[nodiscard]] WizardSummary wizardSummary(const NewProjectValues& values,
                                          const std::string& folderShown, bool targetExists);

} // namespace quillan::dialogs
