// The preset-zone editor: browse the zones of the database, preview one ticking each second,
// edit, add and remove rows, copy the computer's own zone into the form, and pick a zone for
// the "Other Time" clock.
//   zone list (1098) -> LoadZoneIntoForm -> form controls + preview zone clock
//   form controls -> ZoneFormValues -> INSERT / UPDATE text (zone_statements) -> database
// The form is res/time_zone_editor_dlg.ui. Every control carries its template id in its
// objectName as "<role>_<id>" (EditorControlName), so "zoneList_1098", "use_1"; hidden controls
// exist and hold their values.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

#include "zones/zone_clock.h"
#include "zones/zone_database.h"
#include "zones/zone_statements.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Ui {
class TimeZoneEditorDlg;
}

namespace tarnwick {

class IClock;
class ILocalZone;
class IMessageBox;

// Control ids of the editor's template.
namespace editor_id {
inline constexpr int kUse = 1;
inline constexpr int kCancel = 2;
inline constexpr int kSave = 1076;
inline constexpr int kClear = 1080;
inline constexpr int kCountry = 1091;
inline constexpr int kCities = 1092;
inline constexpr int kZoneList = 1098;
inline constexpr int kStdAbbr = 1101;
inline constexpr int kStdStartCountDow = 1103;
inline constexpr int kStdDow = 1104;
inline constexpr int kStdMonth = 1105;
inline constexpr int kStdHour = 1106;
inline constexpr int kStdMinute = 1107;
inline constexpr int kStdAmPm = 1108;
inline constexpr int kLoadCurrent = 1111;
inline constexpr int kName = 1112;
inline constexpr int kRemove = 1113;
inline constexpr int kProvince = 1114;
inline constexpr int kRecordLabel = 1115;
inline constexpr int kDstUse = 1116;
inline constexpr int kStdBiasHour = 1117;
inline constexpr int kStdBiasMinute = 1118;
inline constexpr int kPreview = 1120;
inline constexpr int kDstAbbr = 1128;
inline constexpr int kDstStartCountDow = 1129;
inline constexpr int kDstDow = 1130;
inline constexpr int kDstMonth = 1131;
inline constexpr int kDstHour = 1132;
inline constexpr int kDstMinute = 1133;
inline constexpr int kDstAmPm = 1134;
inline constexpr int kDstBiasHour = 1135;
inline constexpr int kDstBiasMinute = 1136;
inline constexpr int kGmtBiasHour = 1137;
inline constexpr int kGmtBiasMinute = 1138;
} // namespace editor_id

// The objectName of a control: "<role>_<id>", e.g. "zoneList_1098"; empty for an unknown id.
QString EditorControlName(int id);

class CTimeZoneEditorDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPreviewPeriodMs = 1000; // timer 1 (TIMER_PREVIEW)

    CTimeZoneEditorDlg(const IClock& clock, const ILocalZone& localZone,
                       const std::string& dataDirectory, IMessageBox& messages,
                       QWidget* parent = nullptr);
    ~CTimeZoneEditorDlg() override;

    // Before the dialog is shown: the zone to load first; 0 means none.
    void SetInitialZoneId(std::int32_t id) { m_initialZoneId = id; }
    // After "Use": the zone last loaded into the preview (-1 and empty when none).
    std::int32_t GetSelectedZoneId() const { return m_selectedZoneId; }
    std::string GetSelectedZoneName() const;

    // The form's state, for the caller and tests: 0 while the form holds a new row.
    std::int32_t CurrentRecordId() const { return m_currentRecordId; }

    void reject() override; // "Cancel", Escape and the close button: ClearForm, then close
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void Initialise(); // when the dialog opens
    void FillZoneList();
    bool LoadZoneIntoForm(std::int32_t id);
    void ClearForm();
    void LoadCurrentInformation();
    bool ValidateForm();
    void SaveZone();
    void RemoveZone();
    void UpdatePreview();
    void OnZoneChosen(int index);
    void OnPreviewTimer();

    void ShowMinutes(int minutes, QComboBox* hourBox, QComboBox* minuteBox);
    void ShowRuleDate(const TransitionRule& rule, QComboBox* occurrence, QComboBox* weekday,
                      QComboBox* month, QComboBox* hour, QComboBox* minute, QComboBox* ampm);
    ZoneFormValues ReadForm() const;
    void ShowMessage(const std::string& text);

    IMessageBox& m_messages;
    std::string m_dataDirectory;
    std::unique_ptr<Ui::TimeZoneEditorDlg> m_ui; // res/time_zone_editor_dlg.ui
    std::int32_t m_initialZoneId = 0;
    std::int32_t m_selectedZoneId = -1;
    std::int32_t m_currentRecordId = 0;
    CZoneClock m_zoneClock;
    CZoneDatabase m_database;
    QTimer m_previewTimer;
    bool m_initialised = false;

    QComboBox* m_zoneList = nullptr;
    QLabel* m_preview = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_recordLabel = nullptr;
    QLineEdit* m_country = nullptr;
    QLineEdit* m_province = nullptr;
    QLineEdit* m_cities = nullptr;
    QComboBox* m_gmtBiasHour = nullptr;
    QComboBox* m_gmtBiasMinute = nullptr;
    QLineEdit* m_stdAbbr = nullptr;
    QComboBox* m_stdBiasHour = nullptr;
    QComboBox* m_stdBiasMinute = nullptr;
    QCheckBox* m_dstUse = nullptr;
    QComboBox* m_dstBiasHour = nullptr;
    QComboBox* m_dstBiasMinute = nullptr;
    QLineEdit* m_dstAbbr = nullptr;
    QComboBox* m_dstStartCountDow = nullptr;
    QComboBox* m_dstDow = nullptr;
    QComboBox* m_dstMonth = nullptr;
    QComboBox* m_dstHour = nullptr;
    QComboBox* m_dstMinute = nullptr;
    QComboBox* m_dstAmPm = nullptr;
    QComboBox* m_stdStartCountDow = nullptr;
    QComboBox* m_stdDow = nullptr;
    QComboBox* m_stdMonth = nullptr;
    QComboBox* m_stdHour = nullptr;
    QComboBox* m_stdMinute = nullptr;
    QComboBox* m_stdAmPm = nullptr;
};

// What the caller takes back from the editor.
struct ZoneEditorResult {
    bool accepted = false;    // ended with "Use"
    std::int32_t zoneId = -1; // GetSelectedZoneId
    std::string zoneName;     // GetSelectedZoneName
};

// Opens the editor modally with the system's clock, zone and message boxes on the zone
// database in dataDirectory, starting at initialZoneId (0 for none).
ZoneEditorResult RunZoneEditor(const std::string& dataDirectory, std::int32_t initialZoneId = 0,
                               QWidget* parent = nullptr);

} // namespace tarnwick
