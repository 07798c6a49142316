// The converter dialog: its form against the control ids, its lists, both directions, typing,
// and the half-hour note.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "config/converter_dlg.h"

using namespace tarnwick;

class TestConverterDlg : public QObject {
    Q_OBJECT

    static QComboBox* List(CConverterDlg& dialog, int id) {
        return dialog.findChild<QComboBox*>(QString::number(id));
    }
    static QString Shown(CConverterDlg& dialog, int dayId, int hourId) {
        return List(dialog, dayId)->currentText() + ' ' + List(dialog, hourId)->currentText();
    }

private slots:
    void everyControlIdNamesOneWidgetOfTheForm() {
        CConverterDlg dialog;
        QStringList kinds; // the class of each, and a button's text
        for (int id :
             {CConverterDlg::kIdYourDay, CConverterDlg::kIdYourHour, CConverterDlg::kIdOtherDay,
              CConverterDlg::kIdOtherHour, CConverterDlg::kIdBack, CConverterDlg::kIdDone}) {
            const QList<QWidget*> found = dialog.findChildren<QWidget*>(QString::number(id));
            QCOMPARE(found.size(), qsizetype(1));
            kinds << QString::fromLatin1(found[0]->metaObject()->className());
            if (auto* list = qobject_cast<QComboBox*>(found[0])) {
                QVERIFY(list->isEditable()); // a drop-down the user may also type into
                QCOMPARE(list->insertPolicy(), QComboBox::NoInsert);
            } else {
                kinds.last() += ' ' + qobject_cast<QPushButton*>(found[0])->text();
            }
        }
        QCOMPARE(kinds, QStringList({"QComboBox", "QComboBox", "QComboBox", "QComboBox",
                                     "QPushButton Back", "QPushButton Done"}));
    }

    void labelsAndControlsSitApartInsideTheDialog() {
        CConverterDlg dialog;
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            labels << label->text();
        }
        labels.sort();
        QCOMPARE(labels, (QStringList{"", "Day of week", "Day of week", "Hour", "Hour",
                                      "Other Time", "Your Time (Where your at)"}));
        // A control the form left without its place would sit over another one.
        QList<QWidget*> shown;
        for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!control->isHidden()) {
                QVERIFY2(dialog.rect().contains(control->geometry()),
                         qPrintable(control->objectName()));
                shown << control;
            }
        }
        QCOMPARE(shown.size(), qsizetype(12));
        for (qsizetype i = 0; i < shown.size(); ++i) {
            for (qsizetype j = i + 1; j < shown.size(); ++j) {
                QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                         qPrintable(shown[i]->objectName() + " " + shown[j]->objectName()));
            }
        }
    }

    void listsHoldTheDaysAndTwentyFourHours() {
        CConverterDlg dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("104"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Tarnwick Time Converter"));
        for (int id : {CConverterDlg::kIdYourDay, CConverterDlg::kIdOtherDay}) {
            QCOMPARE(List(dialog, id)->count(), 7);
            QCOMPARE(List(dialog, id)->itemText(6), QStringLiteral("Sat"));
        }
        for (int id : {CConverterDlg::kIdYourHour, CConverterDlg::kIdOtherHour}) {
            QComboBox* hours = List(dialog, id);
            QCOMPARE(hours->count(), 24);
            QCOMPARE(hours->itemText(0), QStringLiteral("12am"));
            QCOMPARE(hours->itemText(12), QStringLiteral("12pm"));
            QCOMPARE(hours->itemText(23), QStringLiteral("11pm"));
        }
    }

    void convertsBothWaysAsTheUserPicks_data() {
        QTest::addColumn<int>("yours");
        QTest::addColumn<int>("other");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<bool>("fromYours");
        QTest::addColumn<QString>("expected");
        QTest::newRow("+9 Wed 8pm") << 0 << 540 << 3 << 20 << true << "Thu 5am";
        QTest::newRow("+9 other Mon 3am") << 0 << 540 << 1 << 3 << false << "Sun 6pm";
    }

    void convertsBothWaysAsTheUserPicks() {
        QFETCH(int, yours);
        QFETCH(int, other);
        QFETCH(int, day);
        QFETCH(int, hour);
        QFETCH(bool, fromYours);
        QFETCH(QString, expected);
        CConverterDlg dialog;
        dialog.SetOffset(ConverterOffsetFrom(yours, other));
        dialog.SetNow({2, 10}); // Tuesday, 10 am
        const int dayId = fromYours ? CConverterDlg::kIdYourDay : CConverterDlg::kIdOtherDay;
        const int hourId = fromYours ? CConverterDlg::kIdYourHour : CConverterDlg::kIdOtherHour;
        List(dialog, dayId)->setCurrentIndex(day);
        List(dialog, hourId)->setCurrentIndex(hour);
        const QString shown =
            fromYours ? Shown(dialog, CConverterDlg::kIdOtherDay, CConverterDlg::kIdOtherHour)
                      : Shown(dialog, CConverterDlg::kIdYourDay, CConverterDlg::kIdYourHour);
        QCOMPARE(shown, expected);
    }

    void opensOnNowAndFollowsTyping() {
        CConverterDlg dialog;
        dialog.SetOffset(ConverterOffsetFrom(0, 540));
        dialog.SetNow({6, 20}); // Saturday 8 pm
        QCOMPARE(Shown(dialog, CConverterDlg::kIdYourDay, CConverterDlg::kIdYourHour),
                 QStringLiteral("Sat 8pm"));
        QCOMPARE(Shown(dialog, CConverterDlg::kIdOtherDay, CConverterDlg::kIdOtherHour),
                 QStringLiteral("Sun 5am"));
        QComboBox* hour = List(dialog, CConverterDlg::kIdYourHour);
        hour->setEditText(QStringLiteral("25pm")); // names no hour: the other side goes blank
        QCOMPARE(Shown(dialog, CConverterDlg::kIdOtherDay, CConverterDlg::kIdOtherHour),
                 QStringLiteral(" "));
        hour->setEditText(QStringLiteral("9pm"));
        QCOMPARE(Shown(dialog, CConverterDlg::kIdOtherDay, CConverterDlg::kIdOtherHour),
                 QStringLiteral("Sun 6am"));
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
