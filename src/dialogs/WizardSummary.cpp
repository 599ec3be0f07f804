#include "dialogs/WizardSummary.h"

#include "document/ProjectPath.h"
#include "model/Site.h"

namespace quillan::dialogs {

const char* wizardBandText(uint16_t band)
{
    switch (band) {
    case band868:
        return "868 MHz";
    case band900:
        return "900 MHz";
    case band2400:
        return "2.4 GHz";
    default:
        return "";
    }
}

uint16_t preselectedTxPower(uint16_t band)
{
    return band == band900 ? 2 : 4;
}

std::string wizardTargetPath(const std::string& folderShown, const std::string& name)
{
    return withTrailingSeparator(folderShown) + name + ".zavproj";
}

WizardSummary wizardSummary(const NewProjectValues& values, const std::string& folderShown,
                            bool targetExists)
{
    WizardSummary summary;
    std::string& t = summary.text;
    if (targetExists) {
        t += "Warning: An existing file will be overwritten.\r\n";
        t += "File: " + wizardTargetPath(folderShown, values.name);
        summary.warningLength = t.size();
        t += "\r\n\r\n";
    }
    t += "Create...\r\n";
    t += "\tProject: " + values.name + "\r\n";
    t += "\tPath: " + folderShown + "\r\n\r\n";

    t += "\tSite\r\n";
    t += "\t\tChannel: " + std::to_string(values.channel) + "\r\n";
    t += "\t\tGroup: " + std::to_string(values.group) + "\r\n";
    t += std::string("\t\tFrequency: ") + wizardBandText(values.band) + "\r\n\r\n";

    if (values.gateway) {
        const NewGatewayValues& g = *values.gateway;
        const auto& powers = txPowerTexts(values.band);
        t += "\tPrimary Gateway\r\n";
        t += "\t\tName: " + g.name + "\r\n";
        t += "\t\tType: ZAV Gateway Module\r\n";
        t += std::string("\t\tTx Power: ") +
             (g.txPowerIndex < powers.size() ? powers[g.txPowerIndex] : "") + "\r\n";
        t += std::string("\t\tRTU Connection: Modbus RTU - RS") + (g.rtuRs485 ? "485" : "232") +
             "\r\n";
        t += "\t\tBaud Rate: " + std::to_string(g.baudRate) + "\r\n";
        t += "\t\tSlave Id: " + std::to_string(g.slaveId) + "\r\n";
        t += std::string("\t\tConfig Port Mode: ") + (g.configPortModbus ? "Modbus" : "Debug") +
             "\r\n\r\n";
    }
    return summary;
}

} // namespace quillan::dialogs
