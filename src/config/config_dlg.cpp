#include "config/config_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <cstdlib>

#include "platform/date_time_settings.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/run_at_login.h"
#include "settings/clock_settings.h"
#include "settings/settings_file.h"
#include "widgets/app_icon.h"
#include "widgets/dialog_units.h"
#include "zones/us_daylight_message.h"

namespace tarnwick {

const char* const CConfigDlg::kRunHiddenMessage =
    "When you exit this application like you have done in the past, you will not actually "
    "exit.  An icon will be created near the system clock that you can right click on to see a "
    "menu of options.  Such options as, Exit, Open, Configure, etc..";

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

} // namespace

CConfigDlg::CConfigDlg(Environment environment, QWidget* parent)
    : QDialog(parent), m_environment(std::move(environment)) {
    setObjectName(QStringLiteral("103"));
    setModal(true);
    setWindowTitle(QStringLiteral("Tarnwick Configuration"));
    setWindowIcon(AppIcon());
    setFont(DialogTemplateFont());
    auto* top = new QVBoxLayout(this);

    // Time zones.
    auto* zones = new QGroupBox(QStringLiteral("Time Zones For Clocks"), this);
    auto* zoneGrid = new QGridLayout(zones);
    zoneGrid->addWidget(new QLabel(QStringLiteral("Your Time"), zones), 0, 0);
    auto* computerZone = new QPushButton(QStringLiteral("Select your computer's time zone"), zones);
    computerZone->setObjectName(QString::number(kIdComputerZone));
    zoneGrid->addWidget(computerZone, 0, 1);
    zoneGrid->addWidget(new QLabel(QStringLiteral("Other Time"), zones), 1, 0);
    QLineEdit* other = Field(kIdOtherCountry, zones);
    other->setReadOnly(true);
    zoneGrid->addWidget(other, 1, 1);
    auto* otherZone = new QPushButton(QStringLiteral("Select another time zone to display"), zones);
    otherZone->setObjectName(QString::number(kIdOtherZone));
    zoneGrid->addWidget(otherZone, 2, 1);
    // Kept, never shown: they carry their values through load and save.
    auto* hiddenLabel = new QLabel(QStringLiteral("G.M.T. D.S.T."), zones);
    hiddenLabel->hide();
    Field(kIdYourCountry, zones)->hide();
    Field(kIdOtherOffset, zones)->hide();
    Check(kIdDaylightFlag, "", zones)->hide();
    top->addWidget(zones);

    // Run options and style, side by side.
    auto* row = new QHBoxLayout;
    auto* run = new QGroupBox(QStringLiteral("Run Options"), this);
    auto* runLayout = new QVBoxLayout(run);
    runLayout->addWidget(Check(kIdLoginStartup, "Run on start up", run));
    m_runGroup = Group(run,
                       {{kRunNormal, "Run Normal"},
                        {kRunMinimized, "Run Minimized"},
                        {kRunHidden, "Run Hidden - Use Taskbar Icon"}},
                       runLayout);
    row->addWidget(run);
    auto* style = new QGroupBox(QStringLiteral("Style Of Clock"), this);
    auto* styleLayout = new QVBoxLayout(style);
    styleLayout->addWidget(Check(kIdBlueLcd, "Clock Blue LCD", style));
    styleLayout->addWidget(Check(kIdTransparent, "Bkgrnd Transparent To Desktop", style));
    auto* usDst = new QPushButton(QStringLiteral("When is U.S. Day Light Savings Time?"), style);
    usDst->setObjectName(QString::number(kIdUsDaylight));
    styleLayout->addWidget(usDst);
    row->addWidget(style);
    top->addLayout(row);

    // Updating the clock: how, where, when, allowances.
    auto* update = new QGroupBox(QStringLiteral("Update Your Time Clock"), this);
    auto* updateGrid = new QGridLayout(update);
    auto* how = new QGroupBox(QStringLiteral("How"), update);
    m_howGroup = Group(how,
                       {{kUpdateNever, "Never"},
                        {kUpdatePrompt, "Warning and Prompt"},
                        {kUpdateAutomatic, "Automaticly"}},
                       new QVBoxLayout(how));
    updateGrid->addWidget(how, 0, 0);
    auto* where = new QGroupBox(QStringLiteral("Where"), update);
    auto* whereLayout = new QVBoxLayout(where);
    m_whereGroup = Group(
        where,
        {{kCheckUsServers, "Using US Server(s)"}, {kCheckCustomServers, "Using Custom Server(s)"}},
        whereLayout);
    whereLayout->addWidget(Field(kIdCustomServers, where));
    updateGrid->addWidget(where, 0, 1);
    auto* when = new QGroupBox(QStringLiteral("When"), update);
    auto* whenLayout = new QGridLayout(when);
    m_whenGroup = new QButtonGroup(when);
    auto* every = new QRadioButton(QStringLiteral("Every"), when);
    every->setObjectName(QString::number(kCheckEveryHours));
    m_whenGroup->addButton(every, kCheckEveryHours);
    whenLayout->addWidget(every, 0, 0);
    whenLayout->addWidget(Field(kIdHourInterval, when), 0, 1);
    whenLayout->addWidget(new QLabel(QStringLiteral("Hours"), when), 0, 2);
    auto* dialUp = new QRadioButton(QStringLiteral("When Dial-Up Established"), when);
    dialUp->setObjectName(QString::number(kCheckOnDialUp));
    m_whenGroup->addButton(dialUp, kCheckOnDialUp);
    whenLayout->addWidget(dialUp, 1, 0, 1, 3);
    whenLayout->addWidget(Check(kIdCheckStartup, "At Start Up", when), 2, 0, 1, 3);
    updateGrid->addWidget(when, 1, 0);
    auto* allowances = new QGroupBox(QStringLiteral("Allowances"), update);
    auto* allowLayout = new QHBoxLayout(allowances);
    allowLayout->addWidget(new QLabel(QStringLiteral("Margin of Error +/-"), allowances));
    QLineEdit* margin = Field(kIdMargin, allowances);
    margin->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), margin));
    allowLayout->addWidget(margin);
    allowLayout->addWidget(new QLabel(QStringLiteral("Secs."), allowances));
    updateGrid->addWidget(allowances, 1, 1);
    top->addWidget(update);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* save = new QPushButton(QStringLiteral("Save"), this);
    save->setObjectName(QString::number(kIdSave));
    save->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QString::number(kIdCancel));
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    top->addLayout(buttons);

    connect(save, &QPushButton::clicked, this, &CConfigDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(otherZone, &QPushButton::clicked, this, &CConfigDlg::PickOtherZone);
    connect(computerZone, &QPushButton::clicked, this, &CConfigDlg::OpenComputerZoneSettings);
    connect(usDst, &QPushButton::clicked, this, [this] {
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

QLineEdit* CConfigDlg::Field(int id, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::number(id));
    m_fields[id] = field;
    return field;
}

QCheckBox* CConfigDlg::Check(int id, const char* text, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setObjectName(QString::number(id));
    m_checks[id] = box;
    return box;
}

QButtonGroup* CConfigDlg::Group(QWidget* parent,
                                std::initializer_list<std::pair<int, const char*>> items,
                                QLayout* layout) {
    auto* group = new QButtonGroup(parent);
    for (const auto& [id, text] : items) {
        auto* button = new QRadioButton(QString::fromLatin1(text), parent);
        button->setObjectName(QString::number(id));
        group->addButton(button, id);
        layout->addWidget(button);
    }
    return group;
}

void CConfigDlg::Load() {
    ClockSettings settings;
    m_settingsPath = LoadSettings(m_environment.settingsDirectory, settings, nullptr);
    m_loaded = settings;
    m_otherZoneId = settings.timeZoneId;
    m_fields[kIdOtherCountry]->setText(Q(settings.otherCountryName));
    m_fields[kIdYourCountry]->setText(Q(settings.yourCountryName));
    m_fields[kIdCustomServers]->setText(Q(settings.checkTimeCustomServers));
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
    v.otherCountryName = S(m_fields.at(kIdOtherCountry)->text());
    v.otherCountryOffset = S(m_fields.at(kIdOtherOffset)->text());
    v.yourCountryName = S(m_fields.at(kIdYourCountry)->text());
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
    v.checkTimeHourInterval = S(m_fields.at(kIdHourInterval)->text());
    v.checkTimeCustomServers = S(m_fields.at(kIdCustomServers)->text());
    v.checkTimeMarginOfError = S(m_fields.at(kIdMargin)->text());
    v.transparentToDesktop = m_checks.at(kIdTransparent)->isChecked();
    v.clockBlueLcd = m_checks.at(kIdBlueLcd)->isChecked();
    v.daylightSavingsFlag = m_checks.at(kIdDaylightFlag)->isChecked();
    v.daylightSavingsCheckboxEditable = m_dstEditable;
    return v;
}

void CConfigDlg::accept() {
    const ConfigDialogValues values = Values();
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
    m_fields[kIdOtherCountry]->setText(Q(result.zoneName));
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
                arguments << Q(argument);
            }
            started = QProcess::startDetached(Q(command->program), arguments);
        }
    }
    if (!started) {
        m_environment.messages->Show(kNoDateTimeSettingsMessage, kProductName, MessageButtons::Ok,
                                     MessageIcon::Information);
    }
}

} // namespace tarnwick
