// The preset-zone editor over a small database in a temporary directory: its list, loading a
// zone into the form, saving, removing, validation, the preview and copying the computer's
// zone into the form.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <string>

#include "editor/time_zone_editor_dlg.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "support/ui_widgets.h"
#include "support/zones_seed.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

using namespace tarnwick;
namespace id = tarnwick::editor_id;

namespace {

// 2026-07-01 16:00:00 UTC, a Wednesday: 12:00 noon EDT in New York.
constexpr std::int64_t kJuly1At1600Utc = 1782921600;

// A computer zone with the given Windows-style rules.
class RuleLocalZone final : public ILocalZone {
public:
    explicit RuleLocalZone(TimeZoneInformation tzi) : m_tzi(std::move(tzi)) {}
    TimeZoneInformation GetTimeZoneInformation() const override { return m_tzi; }
    LocalInstant At(std::int64_t) const override { return {-m_tzi.Bias, false, "X"}; }
    std::string DisplayName(std::int64_t) const override { return m_tzi.StandardName; }

private:
    TimeZoneInformation m_tzi;
};

const QString kDashes(120, '-');
// A form Cancel or a separator left: nothing in the fields, no daylight time, no box chosen.
const QString kClearedForm = "||||||0" + QString(18, '|');

} // namespace

class TimeZoneEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_messages.shown.clear();
        m_clock.Set(kJuly1At1600Utc);
        const std::string seeded = test::SeedZones(Dir(), "ui/editor_zones.sql"); // ids 1 to 5
        QVERIFY2(seeded.empty(), seeded.c_str());
    }

    void cleanup() {
        m_dlg.reset();
        m_dir.reset();
    }

    // The list's order and texts are the zone list's (tests/core/zone_list.cpp): here its keys.
    void opensWithTitleListsAndControls() {
        m_dlg = Open();
        QCOMPARE(m_dlg->windowTitle(), QString("Tarnwick Powerful Time Zone Editor"));
        QCOMPARE(Label(id::kRecordLabel), QString("# New"));
        QCOMPARE(ListItems().mid(0, 4),
                 QStringList({"(GMT-5:00) Colombia #5", "(GMT-5:00) Bogota #5", kDashes + " #-1",
                              "(GMT-5:00) Eastern Time #1"}));
        QCOMPARE(Combo(id::kZoneList)->currentIndex(), -1);
        QCOMPARE(Combo(id::kDstMonth)->itemText(1), QString("Febuary")); // spelt as it always was
        QVERIFY(!Combo(id::kStdBiasHour)->isEnabled() && !Combo(id::kStdBiasMinute)->isEnabled());
        for (int c : {id::kCountry, id::kProvince, id::kCities}) {
            QVERIFY(Find<QLineEdit>(c)->isHidden());
        }
        QVERIFY(Find<QPushButton>(id::kUse)->isDefault());
    }

    void loadingAZoneFillsEveryControlAndClearsUnsetOnes() {
        m_dlg = Open();
        Choose("(GMT-5:00) Colombia");
        // On to Bogota, over a separator (which has no row: a zone was loaded, so it says so) to
        // Eastern Time and New York.
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(Combo(id::kZoneList), Qt::Key_Down);
        }
        QCOMPARE(m_messages.shown.size(), std::size_t{1});
        QCOMPARE(Ids(), QString("1 1 # 1"));
        QCOMPARE(Text(id::kZoneList), QString("(GMT-5:00) New York"));
        QCOMPARE(Form(), QString("Eastern Time, New York|USA|NY|New York|EST|EDT|1|-5|00|1|00|0|00|"
                                 "Second|Sunday|March|2|00|AM|First|Sunday|November|2|00|AM"));
        // Over a loaded zone, stored codes of 0 leave the boxes unchosen (Sunday is 0).
        Choose("(GMT+05:30) Kolkata");
        // An hour of 0 is not a clock hour: shown as stored.
        QCOMPARE(Form(), QString("India, Mumbai, Kolkata||||||0|5|30|0|00|0|00||Sunday||0|00|||"
                                 "Sunday||0|00|"));
        for (int c : {id::kDstStartCountDow, id::kDstMonth, id::kDstAmPm, id::kStdStartCountDow,
                      id::kStdMonth, id::kStdAmPm}) {
            QVERIFY2(Combo(c)->currentIndex() == -1, qPrintable(EditorControlName(c)));
        }
    }

    void initialZoneShowsItsWholeName() {
        m_dlg = Open(2);
        QCOMPARE(Ids(), QString("2 2 # 2"));
        QCOMPARE(Text(id::kZoneList), QString("India, Mumbai, Kolkata"));
        QCOMPARE(Combo(id::kZoneList)->currentIndex(), -1);

        Click(id::kCancel); // clears the form
        QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
        QCOMPARE(Form(), kClearedForm);
        QCOMPARE(Label(id::kRecordLabel), QString("# New"));

        m_dlg = Open(99); // no such row: nothing loaded, nothing said
        QCOMPARE(Ids(), QString("-1 0 # New"));
        QVERIFY(m_messages.shown.empty());
    }

    void separatorClearsTheFormAndWarnsOnlyAfterALoad() {
        m_dlg = Open();
        Choose(kDashes);
        QVERIFY(m_messages.shown.empty());
        QCOMPARE(Label(id::kRecordLabel), QString("# New"));

        Choose("(GMT-5:00) Eastern Time");
        QTRY_VERIFY(Label(id::kPreview).startsWith("EDT    "));
        Choose(kDashes);
        QCOMPARE(m_messages.shown.size(), std::size_t{1});
        QCOMPARE(m_messages.shown[0].text,
                 std::string("I could not find the time zone id-1.  Please close and open this "
                             "window and try again."));
        QCOMPARE(Ids(), QString("-1 0 # New"));
        QCOMPARE(m_dlg->GetSelectedZoneName(), std::string());
        QCOMPARE(Form(), kClearedForm);
        QTRY_VERIFY(Label(id::kPreview).isEmpty());
    }

    // A save that works says nothing; the statement is shown only with a failure.
    void savingInsertsANewRowThenUpdatesIt() {
        m_dlg = Open();
        Find<QLineEdit>(id::kName)->setText("Mountain \"High\", Denver");
        Combo(id::kGmtBiasHour)->setEditText("-7");
        Combo(id::kGmtBiasMinute)->setCurrentIndex(0);
        Combo(id::kStdMonth)->setCurrentIndex(10); // November
        Click(id::kSave);
        QVERIFY(m_messages.shown.empty());
        QCOMPARE(Stored(6),
                 QString("Mountain \"High\", Denver||||-7|0|0||0|0|0|0|0|11|0|0||0|0|0|0|0|0|0|0"));
        QCOMPARE(ListItems().mid(0, 2),
                 QStringList({"(GMT-7:00) Mountain \"High\" #6", "(GMT-7:00) Denver #6"}));

        // The form now holds row 6: saving again changes it and adds no second one.
        QCOMPARE(Label(id::kRecordLabel), QString("# 6"));
        Combo(id::kGmtBiasHour)->setEditText("-6");
        Click(id::kSave);
        QCOMPARE(Stored(6),
                 QString("Mountain \"High\", Denver||||-6|0|0||0|0|0|0|0|11|0|0||0|0|0|0|0|0|0|0"));
        QCOMPARE(Stored(7), QString("<no row>"));
    }

    void savingALoadedRowUpdatesSilently() {
        m_dlg = Open();
        Choose("(GMT-5:00) Eastern Time");
        Find<QLineEdit>(id::kName)->setText("Eastern Standard, Toronto");
        Combo(id::kStdStartCountDow)->setCurrentIndex(4); // Last
        Combo(id::kDstMonth)->setEditText("4");           // typed over "March"
        Combo(id::kStdAmPm)->setCurrentIndex(-1);         // left empty: stored as 0
        Click(id::kSave);
        QVERIFY(m_messages.shown.empty());
        // The hidden fields' values are carried along.
        QCOMPARE(Stored(1),
                 QString("Eastern Standard, Toronto|USA|NY|New York|-5|0|1|EST|0|0|0|5|0|11|2|0|"
                         "EDT|1|1|0|2|0|4|2|0"));
        QCOMPARE(m_dlg->CurrentRecordId(), 1);
        QVERIFY(ListItems().contains("(GMT-5:00) Eastern Standard #1"));
        QVERIFY(!ListItems().contains("(GMT-5:00) Eastern Time #1"));
    }

    void leavingTheListKeepsWhatWasTyped() {
        m_dlg = Open();
        m_dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
        Choose("(GMT-5:00) Eastern Time");
        QComboBox* list = Combo(id::kZoneList);
        QLineEdit* name = Find<QLineEdit>(id::kName);
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        name->setText("Eastern Standard");
        Find<QPushButton>(id::kSave)->setFocus(); // on the way to pressing "Save"
        QTRY_VERIFY(!list->hasFocus());
        QCOMPARE(name->text(), QString("Eastern Standard"));
        Click(id::kSave);
        QVERIFY(Stored(1).startsWith("Eastern Standard|"));
    }

    void removingDeletesTheLoadedRow() {
        m_dlg = Open();
        const int before = static_cast<int>(ListItems().size());
        Click(id::kRemove); // a new form names id 0: nothing is deleted
        QCOMPARE(static_cast<int>(ListItems().size()), before);

        Choose("(GMT+05:30) Mumbai");
        Click(id::kRemove);
        QVERIFY(m_messages.shown.empty());
        QCOMPARE(Stored(2), QString("<no row>"));
        QCOMPARE(static_cast<int>(ListItems().size()), before - 4);
        QVERIFY(Edit(id::kName).isEmpty());
        // The preview keeps the zone last loaded.
        QCOMPARE(Ids(), QString("2 0 # New"));
        QCOMPARE(m_dlg->GetSelectedZoneName(), std::string("India, Mumbai, Kolkata"));
    }

    // Each field reaches the check (tests/core/zone_statements.cpp has its rules); a form
    // that fails it saves nothing.
    void validationStopsTheSave() {
        const char* const rows[][4] = {
            {"  ", "-5", "00", "You must name your timezone."},
            {"Zone", " ", "00", "You must set your GMT hour offset."},
            {"Zone", "-5", "", "You must set your GMT minute offset."},
        };
        m_dlg = Open();
        const QStringList before = ListItems();
        for (const auto& r : rows) {
            m_messages.shown.clear();
            Find<QLineEdit>(id::kName)->setText(r[0]);
            Combo(id::kGmtBiasHour)->setEditText(r[1]);
            Combo(id::kGmtBiasMinute)->setEditText(r[2]);
            Click(id::kSave);
            QCOMPARE(m_messages.shown.size(), std::size_t{1});
            QCOMPARE(m_messages.shown[0].text, std::string(r[3]));
        }
        QCOMPARE(Stored(6), QString("<no row>"));
        QCOMPARE(ListItems(), before);
    }

    void previewTicksEachSecond() {
        m_dlg = Open();
        Choose("(GMT-5:00) New York");
        QTRY_COMPARE(Label(id::kPreview), QString("EDT    Wednesday, July 01, 2026  12:00:00 PM"));
        m_clock.Advance(1);
        QTRY_COMPARE(Label(id::kPreview), QString("EDT    Wednesday, July 01, 2026  12:00:01 PM"));
        // 2026-11-01 06:00 UTC is 01:00 EST, after the 02:00 EDT -> 01:00 EST turn
        m_clock.Set(1793512800);
        QTRY_COMPARE(Label(id::kPreview), QString("EST    Sunday, November 01, 2026  01:00:00 AM"));
    }

    // At 0:30 the form shows 12 a.m., the hour a twelve-hour conversion gets wrong (every hour is
    // in the conversion table of the editor texts). Saving inserts a new row with these rules.
    void loadCurrentInformationCopiesTheRules() {
        TimeZoneInformation tzi;
        tzi.Bias = 210; // Newfoundland: UTC-3:30
        tzi.StandardName = "NST";
        tzi.DaylightName = "NDT";
        tzi.DaylightBias = -60;
        tzi.StandardDate = {0, 11, 0, 1, 2, 0, 0, 0}; // first Sunday of November, 2:00
        tzi.DaylightDate = {0, 3, 6, 2, 0, 30, 0, 0}; // second Saturday of March, 0:30
        RuleLocalZone zone(tzi);
        m_dlg = Open(1, &zone);
        QCOMPARE(Ids(), QString("1 1 # 1"));
        Click(id::kLoadCurrent); // a new row: the form no longer holds row 1
        QCOMPARE(Ids(), QString("1 0 # New"));
        QCOMPARE(Form(), QString("||||NST|NDT|1|-3|-30|1|00|0|00|Second|Saturday|March|12|30|AM|"
                                 "First|Sunday|November|2|00|AM"));
        Find<QLineEdit>(id::kName)->setText("My Zone");
        Click(id::kSave);
        QCOMPARE(Stored(6),
                 QString("My Zone||||-3|-30|1|NST|1|0|0|1|0|11|2|0|NDT|1|1|0|2|6|3|12|30"));

        FixedLocalZone india(330, "India Standard Time");
        m_dlg = Open(1, &india);
        Click(id::kLoadCurrent);
        QCOMPARE(Form(), "||||India Standard Time||0|5|30" + QString(16, '|'));
    }

    // Text of an older copy's database, in Latin-1, is saved back byte for byte.
    void latin1TextSurvivesASave() {
        CZoneDatabase db(m_messages);
        QVERIFY(test::ConnectZones(db, Dir()));
        QVERIFY(db.Query(
            "INSERT INTO presetTimeZones (m_TimeZoneName,m_Cities,m_GMTBiasHour,"
            "m_GMTBiasMinute,m_DSTUse) VALUES (\"M\xFCnchen\",\"M\xFCnchen\",1,0,0)")); // 6
        m_dlg = Open(6);
        QCOMPARE(Edit(id::kName), QStringLiteral("M\u00FCnchen"));
        Click(id::kSave);
        QVERIFY(m_messages.shown.empty());
        QVERIFY(Stored(6).startsWith(QStringLiteral("M\u00FCnchen|||M\u00FCnchen|1|")));
    }

    void aFileThatIsNoDatabaseIsReported() {
        const QString path = m_dir->filePath("timezones.mdb");
        QFile::remove(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("Standard Jet DB\0 not a zone database", 36));
        file.close();
        m_dlg = Open(1);
        // One message from each connection (the preview's and the editor's), naming the file.
        QCOMPARE(m_messages.shown.size(), std::size_t{2});
        for (const auto& shown : m_messages.shown) {
            QVERIFY(shown.text.find(path.toStdString()) != std::string::npos);
        }
        QCOMPARE(Combo(id::kZoneList)->count(), 0);
        QCOMPARE(m_dlg->GetSelectedZoneId(), -1);

        m_messages.shown.clear();
        Find<QLineEdit>(id::kName)->setText("Zone");
        Combo(id::kGmtBiasHour)->setEditText("1");
        Combo(id::kGmtBiasMinute)->setEditText("00");
        Click(id::kSave); // the failure, with the statement that failed
        QCOMPARE(m_messages.shown.size(), std::size_t{1});
        QVERIFY(m_messages.shown[0].text.find("CDaoException on Query SQL:INSERT INTO") !=
                std::string::npos);
        Click(id::kRemove);
        QCOMPARE(m_messages.shown.size(), std::size_t{2});
    }

    void runZoneEditorHandsBackTheChoice() {
        auto press = [](int controlId) {
            test::OnNextModal([controlId](QWidget* modal) {
                test::Child<QPushButton>(*modal, EditorControlName(controlId))->click();
            });
        };
        press(id::kUse);
        ZoneEditorResult result = RunZoneEditor(Dir(), 2);
        QVERIFY(result.accepted);
        QCOMPARE(result.zoneId, 2);
        QCOMPARE(result.zoneName, std::string("India, Mumbai, Kolkata"));

        press(id::kCancel);
        result = RunZoneEditor(Dir(), 2);
        QVERIFY(!result.accepted);
        QCOMPARE(result.zoneId, -1);
    }

private:
    std::string Dir() const { return m_dir->path().toStdString(); }

    std::unique_ptr<CTimeZoneEditorDlg> Open(std::int32_t initialId = 0,
                                             const ILocalZone* zone = nullptr) {
        auto dlg =
            std::make_unique<CTimeZoneEditorDlg>(m_clock, zone ? *zone : m_utc, Dir(), m_messages);
        dlg->SetInitialZoneId(initialId);
        dlg->show();
        return dlg;
    }

    void Choose(const QString& itemText) {
        QComboBox* list = Combo(id::kZoneList);
        const int index = list->findText(itemText);
        QVERIFY2(index >= 0, qPrintable(itemText));
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    QStringList ListItems() {
        QStringList items;
        QComboBox* list = Combo(id::kZoneList);
        for (int i = 0; i < list->count(); ++i) {
            items << list->itemText(i) + " #" + list->itemData(i).toString();
        }
        return items;
    }

    // The row as the database holds it, or "<no row>".
    QString Stored(int zoneId) {
        RecordingMessageBox messages;
        CZoneDatabase db(messages);
        if (!test::ConnectZones(db, Dir()) || !db.Query(SelectZoneStatement(zoneId)) ||
            !db.NextRecord()) {
            return "<no row>";
        }
        QString row;
        for (const ZoneColumn& column : ZoneColumnTable()) {
            row += QString::fromLatin1(db.GetField(column.name).Text()) + '|'; // bytes as they are
        }
        return row.chopped(1);
    }

    template <class W> W* Find(int controlId) {
        return test::Child<W>(*m_dlg, EditorControlName(controlId));
    }
    QComboBox* Combo(int controlId) { return Find<QComboBox>(controlId); }
    QString Text(int controlId) { return Combo(controlId)->currentText(); }
    // The name, the three hidden fields, the abbreviations, the daylight check as 1 or 0, then
    // the offset boxes (G.M.T., daylight, standard) and the daylight and the standard rule.
    QString Form() {
        QStringList texts;
        for (int c :
             {id::kName, id::kCountry, id::kProvince, id::kCities, id::kStdAbbr, id::kDstAbbr}) {
            texts << Edit(c);
        }
        texts << QString::number(Find<QCheckBox>(id::kDstUse)->isChecked());
        for (int c :
             {id::kGmtBiasHour, id::kGmtBiasMinute, id::kDstBiasHour, id::kDstBiasMinute,
              id::kStdBiasHour, id::kStdBiasMinute, id::kDstStartCountDow, id::kDstDow,
              id::kDstMonth, id::kDstHour, id::kDstMinute, id::kDstAmPm, id::kStdStartCountDow,
              id::kStdDow, id::kStdMonth, id::kStdHour, id::kStdMinute, id::kStdAmPm}) {
            texts << Text(c);
        }
        return texts.join('|');
    }
    // The zone chosen for the clock, the row the form holds and the label that names it.
    QString Ids() {
        return QString("%1 %2 %3")
            .arg(m_dlg->GetSelectedZoneId())
            .arg(m_dlg->CurrentRecordId())
            .arg(Label(id::kRecordLabel));
    }
    QString Edit(int controlId) { return Find<QLineEdit>(controlId)->text(); }
    QString Label(int controlId) { return Find<QLabel>(controlId)->text(); }
    void Click(int controlId) { QTest::mouseClick(Find<QPushButton>(controlId), Qt::LeftButton); }

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingMessageBox m_messages;
    FixedClock m_clock{kJuly1At1600Utc};
    FixedLocalZone m_utc{0, "UTC"};
    std::unique_ptr<CTimeZoneEditorDlg> m_dlg;
};

QTEST_MAIN(TimeZoneEditorTest)
#include "time_zone_editor.moc"
