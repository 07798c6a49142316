#include "config/config_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include <cstdlib>

#include "platform/date_time_settings.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/run_at_login.h"
#include "settings/clock_settings.h"
#include "settings/settings_file.h"
#include "sync/time_protocol.h"
#include "widgets/app_icon.h"
#include "widgets/core_text.h"
#include "widgets/dialog_units.h"
#include "zones/us_daylight_message.h"

#include "ui_config_dlg.h"

namespace tarnwick {

const char* const CConfigDlg::kRunHiddenMessage =
    "When you exit this application like you have done in the past, you will not actually "
    "exit.  An icon will be created near the system clock that you can right click on to see a "
    "menu of options.  Such options as, Exit, Open, Configure, etc..";

namespace {

QButtonGroup* Group(QWidget* parent,
                    std::initializer_list<std::pair<QAbstractButton*, int>> buttons) {
    auto* group = new QButtonGroup(parent);
    for (const auto& [button, id] : buttons) {
        group->addButton(button, id);
    }
    return group;
}

} // namespace

CConfigDlg::CConfigDlg(Environment environment, QWidget* parent)
    : QDialog(parent), m_environment(std::move(environment)),
      m_ui(std::make_unique<Ui::ConfigDlgForm>()) {
    setFont(DialogTemplateFont());
    m_ui->setupUi(this);
    setWindowIcon(AppIcon());
    Ui::ConfigDlgForm& ui = *m_ui;
    m_fields = {
        {kIdYourCountry, ui.yourCountry_1007},        {kIdOtherCountry, ui.otherCountry_1008},
        {kIdOtherOffset, ui.otherOffset_1009},        {kIdHourInterval, ui.hourInterval_1049},
        {kIdCustomServers, ui.customServerList_1065}, {kIdMargin, ui.margin_1071},
    };
    m_checks = {
        {kIdLoginStartup, ui.loginStartup_1047}, {kIdCheckStartup, ui.checkStartup_1067},
        {kIdBlueLcd, ui.blueLcd_1072},           {kIdTransparent, ui.transparent_1073},
        {kIdDaylightFlag, ui.daylightFlag_1086},
    };
    // The radio ids are the control ids, which the settings store.
    m_runGroup = Group(ui.runGroup, {{ui.runNormal_1056, kRunNormal},
                                     {ui.runMinimized_1057, kRunMinimized},
                                     {ui.runHidden_1058, kRunHidden}});
    m_howGroup = Group(ui.howGroup, {{ui.updateNever_1068, kUpdateNever},
                                     {ui.updatePrompt_1069, kUpdatePrompt},
                                     {ui.updateAutomatic_1070, kUpdateAutomatic}});
    m_whereGroup = Group(ui.whereGroup, {{ui.usServers_1052, kCheckUsServers},
                                         {ui.customServers_1053, kCheckCustomServers}});
    m_whenGroup = Group(
        ui.whenGroup, {{ui.everyHours_1063, kCheckEveryHours}, {ui.onDialUp_1064, kCheckOnDialUp}});
    ui.margin_1071->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*")), ui.margin_1071));

    connect(ui.save_1006, &QPushButton::clicked, this, &CConfigDlg::accept);
    connect(ui.cancel_1011, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui.otherZone_1090, &QPushButton::clicked, this, &CConfigDlg::PickOtherZone);
    connect(ui.computerZone_1075, &QPushButton::clicked, this,
            &CConfigDlg::OpenComputerZoneSettings);
    connect(ui.usDaylight_1080, &QPushButton::clicked, this, [this] {
        if (m_environment.localTime != nullptr) {
            m_environment.messages->Show(UsDaylightSavingMessage(*m_environment.localTime),
                                         kProductName, MessageButtons::Ok, MessageIcon::None);
        }
    });
    // Said on every click, even when hidden mode was already chosen.
    connect(m_runGroup->button(kRunHidden), &QAbstractButton::clicked, this, [this] {
        m_environment.messages->Show(kRunHiddenMessage, kProductName, MessageButtons::Ok,
                                     MessageIcon::None);
    });
    Load();
}

CConfigDlg::~CConfigDlg() = default;

void CConfigDlg::Load() {
    ClockSettings settings;
    m_settingsPath = LoadSettings(m_environment.settingsDirectory, settings, nullptr);
    m_loaded = settings;
    m_otherZoneId = settings.timeZoneId;
    SetCoreText(m_fields[kIdOtherCountry], settings.otherCountryName);
    SetCoreText(m_fields[kIdYourCountry], settings.yourCountryName);
    SetCoreText(m_fields[kIdCustomServers], settings.checkTimeCustomServers);
    m_fields[kIdOtherOffset]->setText(QString::number(settings.otherCountryOffset));
    m_fields[kIdHourInterval]->setText(QString::number(settings.checkTimeHourInterval));
    m_fields[kIdMargin]->setText(QString::number(settings.checkTimeMarginOfError));
    m_checks[kIdLoginStartup]->setChecked(settings.loginStartup);
    m_checks[kIdCheckStartup]->setChecked(settings.checkTimeStartup);
    m_checks[kIdTransparent]->setChecked(settings.transparentToDesktop);
    m_checks[kIdBlueLcd]->setChecked(settings.clockBlueLcd);
    m_checks[kIdDaylightFlag]->setChecked(settings.daylightSavingsFlag);
    const auto select = [](QButtonGroup* group, int id) {
        if (QAbstractButton* button = group->button(id)) {
            button->setChecked(true);
        }
    };
    select(m_runGroup, settings.runOption);
    select(m_whereGroup, settings.checkTimeOption);
    select(m_whenGroup, settings.checkTimeInterval);
    select(m_howGroup, settings.checkTimeUpdateOption);
    int editable = 0;
    CSettingsFile().ReadInt(m_settingsPath, "OTHERCOUNTRY", "DAYLIGHTSAVINGSCHECKBOXEDITABLE",
                            editable, 0);
    m_dstEditable = editable != 0;
    if (m_otherZoneId >= 0) {
        m_fields[kIdOtherCountry]->setReadOnly(true);
        m_fields[kIdOtherOffset]->setReadOnly(true);
        m_checks[kIdDaylightFlag]->setEnabled(m_dstEditable);
    }
}

ConfigDialogValues CConfigDlg::Values() const {
    ConfigDialogValues v;
    v.otherCountryName = CoreText(m_fields.at(kIdOtherCountry));
    v.otherCountryOffset = CoreText(m_fields.at(kIdOtherOffset));
    v.yourCountryName = CoreText(m_fields.at(kIdYourCountry));
    // A group with nothing selected (the file held an id of none of its buttons) keeps it.
    const auto chosen = [](const QButtonGroup* group, int loaded) {
        return group->checkedId() != -1 ? group->checkedId() : loaded;
    };
    v.runOption = chosen(m_runGroup, m_loaded.runOption);
    v.checkTimeOption = chosen(m_whereGroup, m_loaded.checkTimeOption);
    v.checkTimeInterval = chosen(m_whenGroup, m_loaded.checkTimeInterval);
    v.checkTimeUpdateOption = chosen(m_howGroup, m_loaded.checkTimeUpdateOption);
    v.loginStartup = m_checks.at(kIdLoginStartup)->isChecked();
    v.checkTimeStartup = m_checks.at(kIdCheckStartup)->isChecked();
    v.checkTimeHourInterval = CoreText(m_fields.at(kIdHourInterval));
    v.checkTimeCustomServers = CoreText(m_fields.at(kIdCustomServers));
    v.checkTimeMarginOfError = CoreText(m_fields.at(kIdMargin));
    v.transparentToDesktop = m_checks.at(kIdTransparent)->isChecked();
    v.clockBlueLcd = m_checks.at(kIdBlueLcd)->isChecked();
    v.daylightSavingsFlag = m_checks.at(kIdDaylightFlag)->isChecked();
    v.daylightSavingsCheckboxEditable = m_dstEditable;
    return v;
}

void CConfigDlg::accept() {
    const ConfigDialogValues values = Values();
    // Kept whole or not at all: a list cut short would ask other hosts.
    if (const std::string tooLong = ServerListLengthError(values.checkTimeCustomServers);
        !tooLong.empty()) {
        m_environment.messages->Show(tooLong, kProductName, MessageButtons::Ok,
                                     MessageIcon::Exclamation);
        return;
    }
    std::string error;
    if (!SaveConfigSettings(m_settingsPath, values, &error)) {
        // Nothing was written; the form stays open with the user's edits.
        m_environment.messages->Show("The settings could not be saved: " + error, kProductName,
                                     MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    if (m_environment.runAtLogin != nullptr) {
        m_environment.runAtLogin->WriteRunValue(kProductName, values.loginStartup,
                                                ExecutablePath());
    }
    QDialog::accept();
}

void CConfigDlg::PickOtherZone() {
    const std::int32_t initial = m_otherZoneId == -1 ? 0 : m_otherZoneId;
    const ZoneEditorResult result = m_environment.pickZone
                                        ? m_environment.pickZone(initial)
                                        : RunZoneEditor(m_environment.dataDirectory, initial, this);
    if (!result.accepted) {
        return;
    }
    // Written at once: Cancel in this dialog does not undo the pick.
    CSettingsFile settings;
    if (!settings.WriteInt(m_settingsPath, "OTHERCOUNTRY", "TIMEZONEID", result.zoneId)) {
        m_environment.messages->Show("The chosen zone could not be saved: " + settings.LastError(),
                                     kProductName, MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    m_otherZoneId = result.zoneId;
    SetCoreText(m_fields[kIdOtherCountry], result.zoneName);
}

void CConfigDlg::OpenComputerZoneSettings() {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const char* path = std::getenv("PATH");
    const std::string pathVariable = path != nullptr ? path : "";
    const std::optional<LaunchCommand> command = ChooseDateTimeSettingsCommand(
        desktop != nullptr ? desktop : "",
        [&](const std::string& name) { return IsOnPath(name, pathVariable); });
    bool started = false;
    if (command) {
        if (m_environment.launch) {
            started = m_environment.launch(command->program, command->arguments);
        } else {
            QStringList arguments;
            for (const std::string& argument : command->arguments) {
                arguments << FromCoreText(argument);
            }
            started = QProcess::startDetached(FromCoreText(command->program), arguments);
        }
    }
    if (!started) {
        m_environment.messages->Show(kNoDateTimeSettingsMessage, kProductName, MessageButtons::Ok,
                                     MessageIcon::Information);
    }
}

} // namespace tarnwick
