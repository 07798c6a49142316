// The day-and-hour converter (template 104): a day of the week and an hour in the user's zone
// ("Your Time") and the same in the other zone ("Other Time"); changing one side recomputes the
// other. The arithmetic is the core's (zones/converter.h), shared with tarnwick-cli convert.
// The form is res/converter_dlg.ui: each control's objectName is its id below, and its place
// in the template is given there in dialog units.
#pragma once

#include <QDialog>

#include <memory>

#include "zones/converter.h"

class QComboBox;
class QLabel;

namespace Ui {
class ConverterDlgForm;
}

namespace tarnwick {

class CConverterDlg final : public QDialog {
    Q_OBJECT

public:
    enum : int {
        kIdYourDay = 1023,
        kIdOtherDay = 1025,
        kIdYourHour = 1026,
        kIdOtherHour = 1028,
        kIdDone = 1018,
        kIdBack = 1019,
    };
    static constexpr int kTemplateWidth = 156; // dialog units
    static constexpr int kTemplateHeight = 74;

    explicit CConverterDlg(QWidget* parent = nullptr);
    ~CConverterDlg() override;

    // Before the dialog is shown: the zones' offsets, and "now" on the user's side (today's
    // day of the week and the hour), which the dialog selects and converts at once.
    void SetOffset(const ConverterOffset& offset);
    void SetNow(DayHour yourNow);

    void ConvertFromYours();
    void ConvertFromOther();

    // The line under the lists: empty when the zones are whole hours apart.
    QString NoteText() const;

private:
    static void FillList(QComboBox* box, bool days); // the day names, or the 24 hours
    // The selection of a side, or nullopt while its text (typed) names no day or hour.
    static std::optional<DayHour> Read(const QComboBox* day, const QComboBox* hour);
    void Write(QComboBox* day, QComboBox* hour, DayHour value);
    void Convert(ConvertDirection direction);

    std::unique_ptr<Ui::ConverterDlgForm> m_ui; // res/converter_dlg.ui
    QComboBox* m_yourDay;
    QComboBox* m_yourHour;
    QComboBox* m_otherDay;
    QComboBox* m_otherHour;
    QLabel* m_note;
    ConverterOffset m_offset;
    bool m_writing = false; // a side is being set by a conversion, not by the user
};

} // namespace tarnwick
