#include "editor/time_zone_editor_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVariant>

#include <map>

#include "display/display_text.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "ui_time_zone_editor_dlg.h"
#include "widgets/core_text.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_message_box.h"
#include "zones/zone_list.h"

namespace tarnwick {

namespace {

const std::map<int, const char*>& ControlRoles() {
    using namespace editor_id;
    static const std::map<int, const char*> roles = {
        {kUse, "use"},
        {kCancel, "cancel"},
        {kSave, "save"},
        {kClear, "clear"},
        {kCountry, "country"},
        {kCities, "cities"},
        {kZoneList, "zoneList"},
        {kStdAbbr, "stdAbbr"},
        {kStdStartCountDow, "stdStartCountDow"},
        {kStdDow, "stdDow"},
        {kStdMonth, "stdMonth"},
        {kStdHour, "stdHour"},
        {kStdMinute, "stdMinute"},
        {kStdAmPm, "stdAmPm"},
        {kLoadCurrent, "loadCurrent"},
        {kName, "name"},
        {kRemove, "remove"},
        {kProvince, "province"},
        {kRecordLabel, "recordLabel"},
        {kDstUse, "dstUse"},
        {kStdBiasHour, "stdBiasHour"},
        {kStdBiasMinute, "stdBiasMinute"},
        {kPreview, "preview"},
        {kDstAbbr, "dstAbbr"},
        {kDstStartCountDow, "dstStartCountDow"},
        {kDstDow, "dstDow"},
        {kDstMonth, "dstMonth"},
        {kDstHour, "dstHour"},
        {kDstMinute, "dstMinute"},
        {kDstAmPm, "dstAmPm"},
        {kDstBiasHour, "dstBiasHour"},
        {kDstBiasMinute, "dstBiasMinute"},
        {kGmtBiasHour, "gmtBiasHour"},
        {kGmtBiasMinute, "gmtBiasMinute"},
    };
    return roles;
}

// The zone list's text field. A combo box selects the item whose text its field shows when the
// field loses the focus, and selecting a zone loads it into the form: leaving the list for the
// form, or for "Save", would reload the zone over what was typed since. Here only a choice
// from the list, the arrow keys or Enter load a zone.
class ZoneListLineEdit final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusOutEvent(QFocusEvent* event) override {
        const QSignalBlocker quiet(this);
        QLineEdit::focusOutEvent(event);
    }
};

void FillCodeCombo(QComboBox* box, const CodeList& list) {
    for (const CodeItem& item : list) {
        box->addItem(FromCoreText(item.text), FromCoreText(item.key));
    }
}

void FillNumberCombo(QComboBox* box, int first, int last, int step, bool pad) {
    for (const std::string& text : NumberItems(first, last, step, pad)) {
        box->addItem(FromCoreText(text));
    }
}

// The first item whose key equals the text exactly becomes the selected item; when none
// matches nothing changes and the text field keeps what it shows.
bool SelectByKey(const std::string& key, QComboBox* box) {
    for (int i = 0; i < box->count(); ++i) {
        const QVariant data = box->itemData(i);
        if (data.isValid() && ToCoreText(data.toString()) == key) {
            box->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void SetNoSelection(QComboBox* box) {
    box->setCurrentIndex(-1);
    box->clearEditText();
}

void SetComboText(QComboBox* box, const std::string& text) {
    SetNoSelection(box);
    SetCoreText(box->lineEdit(), text);
}

// An item counts as selected only while the text field still shows it: text typed over a
// selected item is the value, not the item's key.
ComboText ReadCombo(const QComboBox* box) {
    ComboText combo;
    combo.text = CoreText(box->lineEdit());
    const int index = box->currentIndex();
    if (index >= 0 && box->itemText(index) == box->currentText()) {
        const QVariant data = box->itemData(index);
        if (data.isValid()) {
            combo.selectedKey = ToCoreText(data.toString());
        }
    }
    return combo;
}

} // namespace

QString EditorControlName(int id) {
    const auto& roles = ControlRoles();
    const auto it = roles.find(id);
    if (it == roles.end()) {
        return {};
    }
    return QString("%1_%2").arg(QString::fromLatin1(it->second)).arg(id);
}

CTimeZoneEditorDlg::CTimeZoneEditorDlg(const IClock& clock, const ILocalZone& localZone,
                                       const std::string& dataDirectory, IMessageBox& messages,
                                       QWidget* parent)
    : QDialog(parent), m_messages(messages), m_dataDirectory(dataDirectory),
      m_ui(std::make_unique<Ui::TimeZoneEditorDlg>()), m_zoneClock(clock, localZone),
      m_database(messages) {
    setFont(DialogTemplateFont());
    BuildControls();
    m_previewTimer.setSingleShot(true);
    connect(&m_previewTimer, &QTimer::timeout, this, &CTimeZoneEditorDlg::OnPreviewTimer);
}

CTimeZoneEditorDlg::~CTimeZoneEditorDlg() {
    // Hiding the widgets below moves the focus; nothing may reach this object's slots then.
    m_previewTimer.stop();
    disconnect(m_zoneList, nullptr, this, nullptr);
}

void CTimeZoneEditorDlg::BuildControls() {
    m_ui->setupUi(this);
    Ui::TimeZoneEditorDlg& ui = *m_ui;
    m_zoneList = ui.zoneList_1098;
    m_preview = ui.preview_1120;
    m_name = ui.name_1112;
    m_recordLabel = ui.recordLabel_1115;
    m_country = ui.country_1091;
    m_province = ui.province_1114;
    m_cities = ui.cities_1092;
    m_gmtBiasHour = ui.gmtBiasHour_1137;
    m_gmtBiasMinute = ui.gmtBiasMinute_1138;
    m_stdAbbr = ui.stdAbbr_1101;
    m_stdBiasHour = ui.stdBiasHour_1117;
    m_stdBiasMinute = ui.stdBiasMinute_1118;
    m_dstUse = ui.dstUse_1116;
    m_dstBiasHour = ui.dstBiasHour_1135;
    m_dstBiasMinute = ui.dstBiasMinute_1136;
    m_dstAbbr = ui.dstAbbr_1128;
    m_dstStartCountDow = ui.dstStartCountDow_1129;
    m_dstDow = ui.dstDow_1130;
    m_dstMonth = ui.dstMonth_1131;
    m_dstHour = ui.dstHour_1132;
    m_dstMinute = ui.dstMinute_1133;
    m_dstAmPm = ui.dstAmPm_1134;
    m_stdStartCountDow = ui.stdStartCountDow_1103;
    m_stdDow = ui.stdDow_1104;
    m_stdMonth = ui.stdMonth_1105;
    m_stdHour = ui.stdHour_1106;
    m_stdMinute = ui.stdMinute_1107;
    m_stdAmPm = ui.stdAmPm_1108;

    // Typed text is neither completed nor added to a list, so what the user types is saved.
    for (QComboBox* box : findChildren<QComboBox*>()) {
        box->setCompleter(nullptr);
    }
    m_zoneList->setLineEdit(new ZoneListLineEdit(m_zoneList));
    m_zoneList->setCompleter(nullptr);
    m_zoneList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_zoneList->setMinimumContentsLength(40);

    connect(m_zoneList, &QComboBox::activated, this, &CTimeZoneEditorDlg::OnZoneChosen);
    connect(ui.loadCurrent_1111, &QPushButton::clicked, this, [this] { LoadCurrentInformation(); });
    connect(ui.clear_1080, &QPushButton::clicked, this, [this] { ClearForm(); });
    connect(ui.save_1076, &QPushButton::clicked, this, [this] { SaveZone(); });
    connect(ui.remove_1113, &QPushButton::clicked, this, [this] { RemoveZone(); });
    connect(ui.use_1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui.cancel_2, &QPushButton::clicked, this, &CTimeZoneEditorDlg::reject);

    // The code and number lists. The two AM/PM boxes keep their items sorted: "AM" before "PM".
    for (QComboBox* box : {m_dstDow, m_stdDow}) {
        FillCodeCombo(box, DayList());
    }
    for (QComboBox* box : {m_dstStartCountDow, m_stdStartCountDow}) {
        FillCodeCombo(box, WeekList());
    }
    for (QComboBox* box : {m_dstMonth, m_stdMonth}) {
        FillCodeCombo(box, MonthList());
    }
    for (QComboBox* box : {m_dstAmPm, m_stdAmPm}) {
        FillCodeCombo(box, AmPmList());
    }
    for (QComboBox* box : {m_gmtBiasHour, m_stdBiasHour, m_dstBiasHour}) {
        FillNumberCombo(box, -12, 12, 1, false);
    }
    for (QComboBox* box :
         {m_gmtBiasMinute, m_stdBiasMinute, m_dstBiasMinute, m_dstMinute, m_stdMinute}) {
        FillNumberCombo(box, 0, 55, 5, true);
    }
    for (QComboBox* box : {m_dstHour, m_stdHour}) {
        FillNumberCombo(box, 1, 12, 1, false);
    }
    ClearForm();
}

void CTimeZoneEditorDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_initialised) {
        m_initialised = true;
        Initialise();
    }
}

void CTimeZoneEditorDlg::Initialise() {
    // Each connection puts the shipped presets in place when the data directory has none.
    m_zoneClock.ConnectDatabase(m_dataDirectory, m_messages);
    ConnectZoneDatabase(m_database, m_dataDirectory, m_messages);
    FillZoneList();
    m_selectedZoneId = -1;
    if (m_initialZoneId != 0 && LoadZoneIntoForm(m_initialZoneId)) {
        m_zoneList->setEditText(FromCoreText(GetSelectedZoneName()));
        m_selectedZoneId = m_initialZoneId;
    }
    m_previewTimer.start(kPreviewPeriodMs);
}

void CTimeZoneEditorDlg::done(int result) {
    m_previewTimer.stop();
    QDialog::done(result);
}

void CTimeZoneEditorDlg::reject() {
    ClearForm();
    QDialog::reject();
}

std::string CTimeZoneEditorDlg::GetSelectedZoneName() const {
    // A failed load leaves the clock on the last zone, but no zone is selected any more.
    return m_selectedZoneId == -1 ? std::string() : m_zoneClock.GetZoneName();
}

void CTimeZoneEditorDlg::ShowMessage(const std::string& text) {
    m_messages.Show(text, kProductName, MessageButtons::Ok, MessageIcon::None);
}

void CTimeZoneEditorDlg::FillZoneList() {
    SetNoSelection(m_zoneList);
    m_zoneList->clear();
    if (!m_database.IsOpen()) {
        return; // Connect has said why; the list stays empty
    }
    for (const ZoneListItem& item : BuildZoneListItems(m_database)) {
        m_zoneList->addItem(FromCoreText(item.text), FromCoreText(item.key));
    }
    SetNoSelection(m_zoneList);
}

void CTimeZoneEditorDlg::OnZoneChosen(int index) {
    if (index < 0) {
        return;
    }
    const int id = CFieldValue(ToCoreText(m_zoneList->itemData(index).toString())).ToInt();
    LoadZoneIntoForm(id);
    // Loading cleared the form and the list with it. The list keeps showing the item that was
    // chosen, so the arrow keys go on from there.
    m_zoneList->setCurrentIndex(index);
}

bool CTimeZoneEditorDlg::LoadZoneIntoForm(std::int32_t id) {
    ClearForm();
    // Without a database (Connect has said why) or after a failed query (the database layer has
    // said why) there is no row either.
    const bool found = m_database.IsOpen() && m_database.Query(SelectZoneStatement(id)) &&
                       m_database.GetCount() > 0;
    if (!found) {
        m_database.CloseRecordset();
        if (m_selectedZoneId != -1) {
            ShowMessage(ZoneNotFoundMessage(id));
        }
        m_selectedZoneId = -1;
        m_recordLabel->setText(FromCoreText(RecordLabel(0)));
        return false;
    }
    m_zoneClock.LoadZone(id);
    m_selectedZoneId = id;
    m_currentRecordId = id;
    m_recordLabel->setText("# " + QString::number(id));

    auto field = [this](const char* column) { return m_database.GetField(column).Text(); };
    SetCoreText(m_name, field("m_TimeZoneName"));
    SetCoreText(m_country, field("m_Country"));
    SetCoreText(m_cities, field("m_Cities"));
    SetCoreText(m_province, field("m_Province"));
    SetCoreText(m_stdAbbr, field("m_STDAbbr"));
    SetCoreText(m_dstAbbr, field("m_DSTAbbr"));

    const std::pair<const char*, QComboBox*> plain[] = {
        {"m_GMTBiasHour", m_gmtBiasHour}, {"m_DSTBiasHour", m_dstBiasHour},
        {"m_DSTHour", m_dstHour},         {"m_STDBiasHour", m_stdBiasHour},
        {"m_STDHour", m_stdHour},
    };
    for (const auto& [column, box] : plain) {
        SetComboText(box, field(column));
    }
    const std::pair<const char*, QComboBox*> minutes[] = {
        {"m_GMTBiasMinute", m_gmtBiasMinute}, {"m_DSTMinute", m_dstMinute},
        {"m_DSTBiasMinute", m_dstBiasMinute}, {"m_STDMinute", m_stdMinute},
        {"m_STDBiasMinute", m_stdBiasMinute},
    };
    for (const auto& [column, box] : minutes) {
        SetComboText(box, PadTwoDigits(field(column)));
    }
    m_dstUse->setChecked(CFieldValue(field("m_DSTUse")).ToInt() != 0);

    const std::pair<const char*, QComboBox*> codes[] = {
        {"m_DSTStartCountDOW", m_dstStartCountDow},
        {"m_DSTMonth", m_dstMonth},
        {"m_DSTAMPM", m_dstAmPm},
        {"m_STDStartCountDOW", m_stdStartCountDow},
        {"m_STDMonth", m_stdMonth},
        {"m_STDAMPM", m_stdAmPm},
    };
    for (const auto& [column, box] : codes) {
        const std::string text = StoredCodeText(field(column));
        SetComboText(box, text);
        SelectByKey(text, box);
    }
    // Weekday 0 is Sunday, so it stays.
    for (const auto& [column, box] : {std::pair<const char*, QComboBox*>{"m_DSTDOW", m_dstDow},
                                      std::pair<const char*, QComboBox*>{"m_STDDOW", m_stdDow}}) {
        const std::string text = field(column);
        SetComboText(box, text);
        SelectByKey(text, box);
    }
    m_database.CloseRecordset();
    return true;
}

void CTimeZoneEditorDlg::ClearForm() {
    m_currentRecordId = 0;
    m_recordLabel->setText(FromCoreText(RecordLabel(0)));
    for (QLineEdit* edit : {m_name, m_country, m_cities, m_province, m_stdAbbr, m_dstAbbr}) {
        edit->clear();
    }
    m_dstUse->setChecked(false);
    for (QComboBox* box :
         {m_zoneList, m_gmtBiasHour, m_gmtBiasMinute, m_stdBiasHour, m_stdBiasMinute, m_dstBiasHour,
          m_dstBiasMinute, m_dstStartCountDow, m_dstDow, m_dstMonth, m_dstHour, m_dstMinute,
          m_dstAmPm, m_stdStartCountDow, m_stdDow, m_stdMonth, m_stdHour, m_stdMinute, m_stdAmPm}) {
        SetNoSelection(box);
    }
}

void CTimeZoneEditorDlg::ShowMinutes(int minutes, QComboBox* hourBox, QComboBox* minuteBox) {
    const HourMinuteText text = SplitMinutesText(minutes);
    hourBox->setEditText(FromCoreText(text.hour));
    minuteBox->setEditText(FromCoreText(text.minute));
}

void CTimeZoneEditorDlg::ShowRuleDate(const TransitionRule& rule, QComboBox* occurrence,
                                      QComboBox* weekday, QComboBox* month, QComboBox* hour,
                                      QComboBox* minute, QComboBox* ampm) {
    SelectByKey(std::to_string(rule.wDayOfWeek), weekday);
    SelectByKey(std::to_string(rule.wDay), occurrence);
    SelectByKey(std::to_string(rule.wMonth), month);
    const ClockHour clockHour = ToClockHour(rule.wHour);
    ampm->setEditText(FromCoreText(clockHour.ampm.text));
    SelectByKey(clockHour.ampm.key, ampm);
    hour->setEditText(QString::number(clockHour.hour));
    minute->setEditText(FromCoreText(PadTwoDigits(std::to_string(rule.wMinute))));
}

void CTimeZoneEditorDlg::LoadCurrentInformation() {
    ClearForm();
    const TimeZoneInformation tzi = m_zoneClock.LocalTime().GetTimeZoneInformation();
    const bool hasDaylight = tzi.DaylightDate.wMonth != 0;
    m_dstUse->setChecked(hasDaylight);
    ShowMinutes(-tzi.Bias, m_gmtBiasHour, m_gmtBiasMinute);
    if (hasDaylight) {
        ShowMinutes(-tzi.StandardBias, m_stdBiasHour, m_stdBiasMinute);
        ShowMinutes(-tzi.DaylightBias, m_dstBiasHour, m_dstBiasMinute);
        ShowRuleDate(tzi.StandardDate, m_stdStartCountDow, m_stdDow, m_stdMonth, m_stdHour,
                     m_stdMinute, m_stdAmPm);
        ShowRuleDate(tzi.DaylightDate, m_dstStartCountDow, m_dstDow, m_dstMonth, m_dstHour,
                     m_dstMinute, m_dstAmPm);
    }
    SetCoreText(m_stdAbbr, tzi.StandardName);
    SetCoreText(m_dstAbbr, tzi.DaylightName);
}

bool CTimeZoneEditorDlg::ValidateForm() {
    const std::string message =
        ValidateZoneForm(CoreText(m_name), CoreText(m_gmtBiasHour->lineEdit()),
                         CoreText(m_gmtBiasMinute->lineEdit()));
    const std::string problem = message.empty() ? ValidateZoneRuleBoxes(ReadForm()) : message;
    if (problem.empty()) {
        return true;
    }
    ShowMessage(problem);
    return false;
}

ZoneFormValues CTimeZoneEditorDlg::ReadForm() const {
    ZoneFormValues f;
    f.name = CoreText(m_name);
    f.country = CoreText(m_country);
    f.province = CoreText(m_province);
    f.cities = CoreText(m_cities);
    f.gmtBiasHour = ReadCombo(m_gmtBiasHour);
    f.gmtBiasMinute = ReadCombo(m_gmtBiasMinute);
    f.dstUse = m_dstUse->isChecked();
    f.dstAbbr = CoreText(m_dstAbbr);
    f.dstAmPm = ReadCombo(m_dstAmPm);
    f.dstBiasHour = ReadCombo(m_dstBiasHour);
    f.dstBiasMinute = ReadCombo(m_dstBiasMinute);
    f.dstDow = ReadCombo(m_dstDow);
    f.dstHour = ReadCombo(m_dstHour);
    f.dstMinute = ReadCombo(m_dstMinute);
    f.dstMonth = ReadCombo(m_dstMonth);
    f.dstStartCountDow = ReadCombo(m_dstStartCountDow);
    f.stdAbbr = CoreText(m_stdAbbr);
    f.stdAmPm = ReadCombo(m_stdAmPm);
    f.stdBiasHour = ReadCombo(m_stdBiasHour);
    f.stdBiasMinute = ReadCombo(m_stdBiasMinute);
    f.stdDow = ReadCombo(m_stdDow);
    f.stdHour = ReadCombo(m_stdHour);
    f.stdMinute = ReadCombo(m_stdMinute);
    f.stdMonth = ReadCombo(m_stdMonth);
    f.stdStartCountDow = ReadCombo(m_stdStartCountDow);
    return f;
}

void CTimeZoneEditorDlg::SaveZone() {
    if (!ValidateForm()) {
        return;
    }
    const ZoneFormValues form = ReadForm();
    if (m_currentRecordId != 0 && m_currentRecordId != -1) {
        // The statement is shown only when it fails, with the database's reason.
        m_database.Query(BuildZoneUpdate(form, m_currentRecordId));
        FillZoneList();
        return;
    }
    if (!m_database.Query(BuildZoneInsert(form))) {
        FillZoneList(); // the form keeps the new row, to be saved again
        return;
    }
    // Ids only grow (they are never reused), so the new row has the largest. It is loaded into
    // the form and picked in the list: the id shows where "# New" stood, and a second Save
    // changes this row instead of adding another.
    std::int32_t newId = 0;
    if (m_database.Query("SELECT MAX(timeZoneID) AS newID FROM presetTimeZones") &&
        m_database.GetCount() > 0) {
        newId = CFieldValue(m_database.GetField("newID").Text()).ToInt();
    }
    m_database.CloseRecordset();
    FillZoneList();
    if (newId > 0 && LoadZoneIntoForm(newId)) {
        m_zoneList->setCurrentIndex(m_zoneList->findData(QString::number(newId)));
    }
}

void CTimeZoneEditorDlg::RemoveZone() {
    m_database.Query(BuildZoneDelete(m_currentRecordId));
    ClearForm();
    FillZoneList();
}

void CTimeZoneEditorDlg::UpdatePreview() {
    if (m_selectedZoneId == -1) {
        m_preview->clear();
        return;
    }
    // The time first: it decides whether standard or daylight time is in force, and with it
    // the abbreviation that belongs to this second.
    const DateTime now = m_zoneClock.GetZoneTime();
    m_preview->setText(FromCoreText(BuildPreviewText(m_zoneClock.GetAbbreviation(), now)));
}

void CTimeZoneEditorDlg::OnPreviewTimer() {
    m_previewTimer.stop();
    UpdatePreview();
    m_previewTimer.start(kPreviewPeriodMs);
}

ZoneEditorResult RunZoneEditor(const std::string& dataDirectory, std::int32_t initialZoneId,
                               QWidget* parent) {
    const std::unique_ptr<ILocalZone> localZone = MakeSystemLocalZone();
    QtMessageBox messages(parent);
    CTimeZoneEditorDlg dialog(SystemClock::Instance(), *localZone, dataDirectory, messages, parent);
    messages.SetParent(&dialog);
    dialog.SetInitialZoneId(initialZoneId);
    ZoneEditorResult result;
    result.accepted = dialog.exec() == QDialog::Accepted;
    if (result.accepted) {
        result.zoneId = dialog.GetSelectedZoneId();
        result.zoneName = dialog.GetSelectedZoneName();
    }
    return result;
}

} // namespace tarnwick
