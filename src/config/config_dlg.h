// The configuration dialog (template 103): every setting of ClockInfo.dat in one form. It loads
// the settings when it opens and writes them all, in one atomic write, when Save is pressed;
// Cancel discards the edits, except a second zone picked in the zone editor, which is written
// at once. The form is res/config_dlg.ui: every control's objectName is its id below (or the
// radio id it stores, settings/clock_settings.h); hidden controls exist and carry their values.
#pragma once

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "editor/time_zone_editor_dlg.h"
#include "settings/clock_settings.h"
#include "settings/config_save.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace Ui {
class ConfigDlgForm;
}

namespace tarnwick {

class CLocalTimeInfo;
class IMessageBox;
class IRunAtLogin;

class CConfigDlg final : public QDialog {
    Q_OBJECT

public:
    enum : int {
        kIdYourCountry = 1007,
        kIdOtherCountry = 1008,
        kIdOtherOffset = 1009,
        kIdSave = 1006,
        kIdCancel = 1011,
        kIdLoginStartup = 1047,
        kIdHourInterval = 1049,
        kIdCustomServers = 1065,
        kIdCheckStartup = 1067,
        kIdMargin = 1071,
        kIdBlueLcd = 1072,
        kIdTransparent = 1073,
        kIdComputerZone = 1075,
        kIdUsDaylight = 1080,
        kIdDaylightFlag = 1086,
        kIdOtherZone = 1090,
    };
    static const char* const kRunHiddenMessage;

    struct Environment {
        std::string settingsDirectory;
        std::string dataDirectory;
        IMessageBox* messages = nullptr;
        IRunAtLogin* runAtLogin = nullptr; // may be null: the autostart entry is left alone
        CLocalTimeInfo* localTime = nullptr;
        // Opens the zone editor at a zone (0 for none); the real editor when empty.
        std::function<ZoneEditorResult(std::int32_t)> pickZone;
        // Starts a program without waiting; QProcess::startDetached when empty.
        std::function<bool(const std::string&, const std::vector<std::string>&)> launch;
    };

    explicit CConfigDlg(Environment environment, QWidget* parent = nullptr);
    ~CConfigDlg() override;

    // What the form holds now, as Save would write it.
    ConfigDialogValues Values() const;

public slots:
    void accept() override; // Save

private:
    void Load();
    void PickOtherZone();
    void OpenComputerZoneSettings();

    Environment m_environment;
    std::unique_ptr<Ui::ConfigDlgForm> m_ui; // res/config_dlg.ui
    std::string m_settingsPath;
    ClockSettings m_loaded;
    std::int32_t m_otherZoneId = -1;
    bool m_dstEditable = false;
    std::map<int, QLineEdit*> m_fields;
    std::map<int, QCheckBox*> m_checks;
    QButtonGroup* m_runGroup = nullptr;
    QButtonGroup* m_howGroup = nullptr;
    QButtonGroup* m_whereGroup = nullptr;
    QButtonGroup* m_whenGroup = nullptr;
};

} // namespace tarnwick
