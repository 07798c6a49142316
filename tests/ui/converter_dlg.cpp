// The converter dialog: its form against the control ids and its lists (a dump compared with
// tests/data/ui/converter_form.txt), both directions, typing, and the half-hour note.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <algorithm>

#include "config/converter_dlg.h"
#include "support/ui_golden.h"

using namespace tarnwick;

class TestConverterDlg : public QObject {
    Q_OBJECT

    static QComboBox* List(CConverterDlg& dialog, int id) {
        return dialog.findChild<QComboBox*>(QString::number(id));
    }
    // Your day and hour, then the other side's: "Sat 8pm > Sun 5am".
    static QString Shown(CConverterDlg& dialog) {
        auto text = [&](int id) { return List(dialog, id)->currentText(); };
        return text(CConverterDlg::kIdYourDay) + ' ' + text(CConverterDlg::kIdYourHour) + " > " +
               text(CConverterDlg::kIdOtherDay) + ' ' + text(CConverterDlg::kIdOtherHour);
    }

private slots:
    // Each shown control (its id when it has one, class, text, a list's items and whether it
    // may be typed into), inside the dialog and over no other one.
    void theFormAndItsLists() {
        CConverterDlg dialog;
        QStringList form = {dialog.objectName() + ' ' + dialog.windowTitle()};
        QList<QWidget*> shown;
        for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control->isHidden()) {
                continue;
            }
            QVERIFY2(dialog.rect().contains(control->geometry()),
                     qPrintable(control->objectName()));
            for (const QWidget* other : shown) {
                QVERIFY2(!other->geometry().intersects(control->geometry()),
                         qPrintable(other->objectName() + " " + control->objectName()));
            }
            shown << control;
            bool numeric = false;
            control->objectName().toInt(&numeric);
            QString line = (numeric ? control->objectName() : "-") + ' ' +
                           control->metaObject()->className() + ' ';
            if (auto* label = qobject_cast<QLabel*>(control)) {
                line += label->text();
            } else if (auto* button = qobject_cast<QPushButton*>(control)) {
                line += button->text();
            } else if (auto* list = qobject_cast<QComboBox*>(control)) {
                line += QString("editable=%1 insert=%2:")
                            .arg(list->isEditable())
                            .arg(list->insertPolicy());
                for (int i = 0; i < list->count(); ++i) {
                    line += ' ' + list->itemText(i);
                }
            }
            form << line.trimmed();
        }
        std::sort(form.begin() + 1, form.end());
        QVERIFY(test::MatchesGolden(form, "converter_form.txt"));
    }

    // Opens on now (your side to the other), then each side's lists drive the other's; what
    // names no hour blanks the other side.
    void convertsBothWaysAndFollowsTyping() {
        CConverterDlg dialog;
        dialog.SetOffset(ConverterOffsetFrom(0, 540));
        dialog.SetNow({6, 20}); // Saturday 8 pm
        QCOMPARE(Shown(dialog), QStringLiteral("Sat 8pm > Sun 5am"));
        List(dialog, CConverterDlg::kIdYourDay)->setCurrentIndex(3);
        QCOMPARE(Shown(dialog), QStringLiteral("Wed 8pm > Thu 5am"));
        List(dialog, CConverterDlg::kIdOtherDay)->setCurrentIndex(1);
        QCOMPARE(Shown(dialog), QStringLiteral("Sun 8pm > Mon 5am"));
        List(dialog, CConverterDlg::kIdOtherHour)->setCurrentIndex(3);
        QCOMPARE(Shown(dialog), QStringLiteral("Sun 6pm > Mon 3am"));
        QComboBox* hour = List(dialog, CConverterDlg::kIdYourHour);
        hour->setEditText(QStringLiteral("25pm"));
        QCOMPARE(Shown(dialog), QStringLiteral("Sun 25pm >  "));
        hour->setEditText(QStringLiteral("9pm"));
        QCOMPARE(Shown(dialog), QStringLiteral("Sun 9pm > Mon 6am"));
    }

    void halfHourApartSaysSoUnderTheLists() {
        CConverterDlg whole;
        whole.SetOffset(ConverterOffsetFrom(60, 180));
        QVERIFY(whole.NoteText().isEmpty());
        CConverterDlg half;
        half.SetOffset(ConverterOffsetFrom(0, 330));
        QCOMPARE(half.NoteText(), QStringLiteral("Other Time is 30 minutes further ahead"));
        QVERIFY(half.height() > whole.height());
    }
};

QTEST_MAIN(TestConverterDlg)
#include "converter_dlg.moc"
