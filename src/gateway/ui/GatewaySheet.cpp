#include "gateway/GatewayRules.h"
#include "gateway/ZAVGateway.h"
#include "gateway/ui/ConfigPortPage.h"
#include "gateway/ui/IOBusPage.h"
#include "gateway/ui/NodeProperties.h"
#include "gateway/ui/NodePropertySheet.h"
#include "gateway/ui/P2PortPage.h"
#include "gateway/ui/RFPage.h"
#include "model/Site.h"
#include "model/Text.h"
#include "shell/TarnApp.h"

namespace quillan::gateway::ui {

namespace {

// Bits 6 and 7 of the radio flags follow the site (AES, bit rate); the page owns the rest.
constexpr uint16_t kSiteRadioBits = radioAes | radioLowBitRate;

} // namespace

int showGatewayProperties(shell::TarnApp& app, ZAVGateway& gateway, QWidget* parent)
{
    NodePropertySheet sheet(QString::fromStdString(cp1252ToUtf8(
                                strprintf("%s - ( ZAV Gateway )", gateway.getName().c_str()))),
                            parent);

    const Site* site = gateway.getSite();
    RadioValues radio;
    radio.powerIndex = gateway.getRadioFlags() & radioPowerMask;
    radio.retries = gateway.getRetries();
    radio.band = site != nullptr ? site->getBand() : uint16_t{bandNotChosen};
    radio.siteAes = site != nullptr && site->isAesEnabled();
    radio.showNodeTimeout = false;
    auto* radioPage = new RFPage(radio);
    sheet.addPage(radioPage);

    // A gateway read from a damaged file may lack its ports: it gets no page for them.
    SerialPortDefinition* configPort = gateway.port(0);
    SerialPortDefinition* rtuPort = gateway.port(2);
    ConfigPortPage* configPage = nullptr;
    if (configPort != nullptr) {
        configPage = new ConfigPortPage(configPort->portRecord(), PageMode::edit);
        sheet.addPage(configPage);
    }
    P2PortPage* rtuPage = nullptr;
    if (rtuPort != nullptr) {
        rtuPage = new P2PortPage(rtuPort->portRecord(), rtuPortUse(gateway), PageMode::edit);
        sheet.addPage(rtuPage);
    }
    // On OK the IO Bus page hands its copies of the I/O modules to the gateway (syncIoModules).
    sheet.addPage(new IOBusPage(gateway, app.settings()));

    if (sheet.run() != NodePropertySheet::resultOk) {
        return NodePropertySheet::resultCancel;
    }
    const RadioValues& edited = radioPage->values();
    gateway.setRadioFlags(
        static_cast<uint16_t>((gateway.getRadioFlags() & kSiteRadioBits) | edited.powerIndex));
    gateway.setRetries(edited.retries);
    if (configPage != nullptr) {
        configPort->setPortRecord(configPage->record());
    }
    if (rtuPage != nullptr) {
        rtuPort->setPortRecord(rtuPage->record());
    }
    gateway.markModified();
    return NodePropertySheet::resultOk;
}

} // namespace quillan::gateway::ui
