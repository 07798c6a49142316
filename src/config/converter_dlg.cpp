#include "config/converter_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVariant>

#include <algorithm>

#include "widgets/app_icon.h"
#include "widgets/dialog_units.h"

#include "ui_converter_dlg.h"

namespace tarnwick {

namespace {

// Moves every control of the form to its place in the template (its dialogUnits property) for
// the dialog's font.
void PlaceControls(QDialog& dialog, const DialogUnits& units) {
    for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant place = control->property("dialogUnits");
        if (!place.isValid()) {
            continue;
        }
        const QRect r = place.toRect();
        if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setGeometry(
                units.Rect(r.x(), r.y(), r.width(), r.height()).adjusted(0, 0, 0, 4));
            // The template's widths fit its 8-point font; a larger desktop font must not cut a
            // text.
            label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
        } else {
            control->setGeometry(units.Rect(r.x(), r.y(), r.width(), r.height()));
        }
    }
}

} // namespace

CConverterDlg::CConverterDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ConverterDlgForm>()) {
    setFont(DialogTemplateFont());
    m_ui->setupUi(this);
    setWindowIcon(AppIcon());
    const DialogUnits units = DialogUnits::FromFont(font());
    PlaceControls(*this, units);
    m_yourDay = m_ui->yourDay_1023;
    m_yourHour = m_ui->yourHour_1026;
    m_otherDay = m_ui->otherDay_1025;
    m_otherHour = m_ui->otherHour_1028;
    // Where the zones are not whole hours apart the lists cannot say it all: one line says
    // the rest, under the buttons.
    m_note = m_ui->note;
    for (QComboBox* box : {m_yourDay, m_otherDay}) {
        FillList(box, true);
    }
    for (QComboBox* box : {m_yourHour, m_otherHour}) {
        FillList(box, false);
    }
    connect(m_ui->back_1019, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->done_1018, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(units.X(kTemplateWidth + 5), units.Y(kTemplateHeight + 4));

    for (QComboBox* box : {m_yourDay, m_yourHour}) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] { ConvertFromYours(); });
        connect(box, &QComboBox::editTextChanged, this, [this] { ConvertFromYours(); });
    }
    for (QComboBox* box : {m_otherDay, m_otherHour}) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] { ConvertFromOther(); });
        connect(box, &QComboBox::editTextChanged, this, [this] { ConvertFromOther(); });
    }
}

CConverterDlg::~CConverterDlg() = default;

void CConverterDlg::FillList(QComboBox* box, bool days) {
    for (int i = 0; i < (days ? 7 : 24); ++i) {
        box->addItem(days ? QString::fromLatin1(ConverterDayName(i))
                          : QString::fromStdString(ConverterHourText(i)));
    }
}

void CConverterDlg::SetOffset(const ConverterOffset& offset) {
    m_offset = offset;
    const std::string note = ConverterNote(offset);
    m_note->setText(QString::fromStdString(note));
    m_note->setVisible(!note.empty());
    const DialogUnits units = DialogUnits::FromFont(font());
    setFixedSize(units.X(kTemplateWidth + 5), units.Y(kTemplateHeight + (note.empty() ? 4 : 16)));
}

void CConverterDlg::SetNow(DayHour yourNow) {
    Write(m_yourDay, m_yourHour, yourNow);
    ConvertFromYours();
}

std::optional<DayHour> CConverterDlg::Read(const QComboBox* day, const QComboBox* hour) {
    const std::optional<int> d = ParseConverterDay(day->currentText().trimmed().toStdString());
    const std::optional<int> h = ParseConverterHour(hour->currentText().trimmed().toStdString());
    if (!d || !h) {
        return std::nullopt;
    }
    return DayHour{*d, *h};
}

void CConverterDlg::Write(QComboBox* day, QComboBox* hour, DayHour value) {
    m_writing = true;
    day->setCurrentIndex(value.dayOfWeek);
    day->setEditText(day->itemText(value.dayOfWeek));
    hour->setCurrentIndex(value.hour);
    hour->setEditText(hour->itemText(value.hour));
    m_writing = false;
}

void CConverterDlg::Convert(ConvertDirection direction) {
    if (m_writing) {
        return;
    }
    const bool fromYours = direction == ConvertDirection::FromYours;
    const std::optional<DayHour> from =
        fromYours ? Read(m_yourDay, m_yourHour) : Read(m_otherDay, m_otherHour);
    QComboBox* toDay = fromYours ? m_otherDay : m_yourDay;
    QComboBox* toHour = fromYours ? m_otherHour : m_yourHour;
    if (!from) {
        // Typing that names no day or hour ("Funday", "25pm") converts to nothing: the other
        // side goes blank rather than keep an answer to another question.
        m_writing = true;
        for (QComboBox* box : {toDay, toHour}) {
            box->setCurrentIndex(-1);
            box->setEditText(QString());
        }
        m_writing = false;
        return;
    }
    Write(toDay, toHour, ConvertDayHour(*from, m_offset, direction));
}

void CConverterDlg::ConvertFromYours() {
    Convert(ConvertDirection::FromYours);
}

void CConverterDlg::ConvertFromOther() {
    Convert(ConvertDirection::FromOther);
}

QString CConverterDlg::NoteText() const {
    return m_note->text();
}

} // namespace tarnwick
