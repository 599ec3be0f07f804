#pragma once

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace quillan {
class Site;
class TarnDoc;
} // namespace quillan

namespace quillan::controls {
class ClampSpinBox;
}

namespace quillan::dialogs {

// The site dialog: name, band, channel, first group, bit rate, site security and AES of one
// radio site. It works on a copy of the site, which OK leaves complete for the caller to take
// (site()); the rules of OK are the core's (site_rules::applyOk), and a refused OK shows why
// and keeps the dialog open. Titled "New Site" until a band is chosen, then "Edit Site".
class NewSiteDlg final : public QDialog {
    Q_OBJECT
public:
    // Editing: the site exists (its gateways keep their group offsets); otherwise it is new
    // and gets its security key on OK.
    NewSiteDlg(const Site& site, bool editing, QWidget* parent = nullptr);
    ~NewSiteDlg() override;

    [[nodiscard]] const Site& site() const { return *m_site; }

    [[nodiscard]] QLineEdit& nameBox() const { return *m_name; }
    [[nodiscard]] QComboBox& frequencyList() const { return *m_frequency; }
    [[nodiscard]] controls::ClampSpinBox& channelBox() const { return *m_channel; }
    [[nodiscard]] controls::ClampSpinBox& groupBox() const { return *m_group; }
    [[nodiscard]] QComboBox& bitRateList() const { return *m_bitRate; }
    [[nodiscard]] QCheckBox& securityBox() const { return *m_security; }
    [[nodiscard]] QCheckBox& aesBox() const { return *m_aes; }

    void accept() override;

private:
    void bandPicked(int index);
    // The channel range and bit rates of the site's band.
    void setUpBand();

    std::unique_ptr<Site> m_site;
    bool m_editing;
    QLineEdit* m_name = nullptr;
    QComboBox* m_frequency = nullptr;
    controls::ClampSpinBox* m_channel = nullptr;
    controls::ClampSpinBox* m_group = nullptr;
    QComboBox* m_bitRate = nullptr;
    QCheckBox* m_security = nullptr;
    QCheckBox* m_aes = nullptr;
};

// Insert Site: the dialog on a new site, which OK appends to the project. True on OK.
bool insertSiteWithDialog(TarnDoc& doc, QWidget* parent);
// Edit Site: the dialog on a copy of the site, whose values OK writes back. True on OK.
bool editSiteWithDialog(TarnDoc& doc, Site& site, QWidget* parent);

} // namespace quillan::dialogs
