#include "config/converter_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "widgets/app_icon.h"
#include "widgets/dialog_units.h"

namespace tarnwick {

namespace {

QLabel* Static(QWidget* parent, const char* text, const DialogUnits& units, int x, int y, int w,
               int h) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setGeometry(units.Rect(x, y, w, h).adjusted(0, 0, 0, 4));
    // The template's widths fit its 8-point font; a larger desktop font must not cut a text.
    label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
    return label;
}

} // namespace

CConverterDlg::CConverterDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("104"));
    setModal(true);
    setWindowTitle(QStringLiteral("Tarnwick Time Converter"));
    setWindowIcon(AppIcon());
    setFont(DialogTemplateFont());
    const DialogUnits units = DialogUnits::FromFont(font());

    Static(this, "Your Time (Where your at)", units, 5, 4, 84, 8);
    Static(this, "Day of week", units, 9, 18, 41, 8);
    m_yourDay = MakeList(this, kIdYourDay, true);
    m_yourDay->setGeometry(units.Rect(61, 16, 34, 12));
    Static(this, "Hour", units, 99, 17, 16, 8);
    m_yourHour = MakeList(this, kIdYourHour, false);
    m_yourHour->setGeometry(units.Rect(117, 16, 34, 12));
    Static(this, "Other Time", units, 5, 30, 36, 8);
    Static(this, "Day of week", units, 9, 44, 41, 8);
    m_otherDay = MakeList(this, kIdOtherDay, true);
    m_otherDay->setGeometry(units.Rect(61, 42, 34, 12));
    Static(this, "Hour", units, 99, 43, 16, 8);
    m_otherHour = MakeList(this, kIdOtherHour, false);
    m_otherHour->setGeometry(units.Rect(117, 42, 34, 12));

    auto* back = new QPushButton(QStringLiteral("Back"), this);
    back->setObjectName(QString::number(kIdBack));
    back->setGeometry(units.Rect(85, 61, 34, 12));
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QString::number(kIdDone));
    done->setGeometry(units.Rect(122, 61, 34, 12));
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    // Where the zones are not whole hours apart the lists cannot say it all: one line says
    // the rest, under the buttons.
    m_note = new QLabel(this);
    m_note->setGeometry(units.Rect(5, 76, 151, 8).adjusted(0, 0, 0, 4));
    m_note->setVisible(false);
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

QComboBox* CConverterDlg::MakeList(QWidget* parent, int id, bool days) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::number(id));
    box->setEditable(true); // a drop-down the user may also type into
    box->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 0; i < (days ? 7 : 24); ++i) {
        box->addItem(days ? QString::fromLatin1(ConverterDayName(i))
                          : QString::fromStdString(ConverterHourText(i)));
    }
    return box;
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
    // While the user's typing names no day or hour, the other side keeps what it showed.
    const std::optional<DayHour> from =
        fromYours ? Read(m_yourDay, m_yourHour) : Read(m_otherDay, m_otherHour);
    if (!from) {
        return;
    }
    const DayHour to = ConvertDayHour(*from, m_offset, direction);
    if (fromYours) {
        Write(m_otherDay, m_otherHour, to);
    } else {
        Write(m_yourDay, m_yourHour, to);
    }
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
