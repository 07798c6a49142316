// The configuration dialog, offscreen: its form against the control ids, its defaults, Save's
// file, the hidden controls' values, Cancel after a zone pick, the hidden-mode message, and a
// Save that cannot write.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <iterator>
#include <memory>

#include "config/config_dlg.h"
#include "platform/message_box.h"
#include "platform/run_at_login.h"
#include "settings/clock_settings.h"
#include "support/ui_widgets.h"
#include "widgets/window_placement.h"

using namespace tarnwick;

namespace {

class RecordingRunAtLogin final : public IRunAtLogin {
public:
    bool WriteRunValue(const std::string& name, bool enabled, const std::string&) override {
        calls.push_back(name + (enabled ? "=1" : "=0"));
        return true;
    }
    std::vector<std::string> calls;
};

// Every control id of the dialog: the widget that carries it as objectName, its text, whether
// it is ever shown, and for a radio button the value its group stores.
struct Control {
    int id;
    const char* kind;
    const char* text; // nullptr: an edit field, whose text is a setting
    bool shown;
    int ConfigDialogValues::*stores = nullptr;
};
const Control kControls[] = {
    {CConfigDlg::kIdOtherCountry, "QLineEdit", nullptr, true},
    {CConfigDlg::kIdYourCountry, "QLineEdit", nullptr, false},
    {CConfigDlg::kIdOtherOffset, "QLineEdit", nullptr, false},
    {CConfigDlg::kIdDaylightFlag, "QCheckBox", "", false},
    {CConfigDlg::kIdComputerZone, "QPushButton", "Select your computer's time zone", true},
    {CConfigDlg::kIdOtherZone, "QPushButton", "Select another time zone to display", true},
    {CConfigDlg::kIdLoginStartup, "QCheckBox", "Run on start up", true},
    {kRunNormal, "QRadioButton", "Run Normal", true, &ConfigDialogValues::runOption},
    {kRunMinimized, "QRadioButton", "Run Minimized", true, &ConfigDialogValues::runOption},
    {kRunHidden, "QRadioButton", "Run Hidden - Use Taskbar Icon", true,
     &ConfigDialogValues::runOption},
    {CConfigDlg::kIdBlueLcd, "QCheckBox", "Clock Blue LCD", true},
    {CConfigDlg::kIdTransparent, "QCheckBox", "Bkgrnd Transparent To Desktop", true},
    {CConfigDlg::kIdUsDaylight, "QPushButton", "When is U.S. Day Light Savings Time?", true},
    {kUpdateNever, "QRadioButton", "Never", true, &ConfigDialogValues::checkTimeUpdateOption},
    {kUpdatePrompt, "QRadioButton", "Warning and Prompt", true,
     &ConfigDialogValues::checkTimeUpdateOption},
    {kUpdateAutomatic, "QRadioButton", "Automaticly", true,
     &ConfigDialogValues::checkTimeUpdateOption},
    {kCheckUsServers, "QRadioButton", "Using US Server(s)", true,
     &ConfigDialogValues::checkTimeOption},
    {kCheckCustomServers, "QRadioButton", "Using Custom Server(s)", true,
     &ConfigDialogValues::checkTimeOption},
    {CConfigDlg::kIdCustomServers, "QLineEdit", nullptr, true},
    {kCheckEveryHours, "QRadioButton", "Every", true, &ConfigDialogValues::checkTimeInterval},
    {kCheckOnDialUp, "QRadioButton", "When Dial-Up Established", true,
     &ConfigDialogValues::checkTimeInterval},
    {CConfigDlg::kIdHourInterval, "QLineEdit", nullptr, true},
    {CConfigDlg::kIdCheckStartup, "QCheckBox", "At Start Up", true},
    {CConfigDlg::kIdMargin, "QLineEdit", nullptr, true},
    {CConfigDlg::kIdSave, "QPushButton", "Save", true},
    {CConfigDlg::kIdCancel, "QPushButton", "Cancel", true},
};

} // namespace

class TestConfigDlg : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingMessageBox m_messages;
    RecordingRunAtLogin m_runAtLogin;
    int m_picks = 0;

    std::unique_ptr<CConfigDlg> Open() {
        CConfigDlg::Environment environment;
        environment.settingsDirectory = m_dir->path().toStdString();
        environment.dataDirectory = m_dir->path().toStdString();
        environment.messages = &m_messages;
        environment.runAtLogin = &m_runAtLogin;
        environment.pickZone = [this](std::int32_t) {
            ++m_picks;
            return ZoneEditorResult{true, 26, "Newfoundland"};
        };
        return std::make_unique<CConfigDlg>(environment);
    }
    QString FileText() const {
        QFile file(m_dir->filePath(QStringLiteral("ClockInfo.dat")));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
    template <typename T> static T* Find(CConfigDlg& dialog, int id) {
        return test::Child<T>(dialog, id);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages.shown.clear();
        m_runAtLogin.calls.clear();
        m_picks = 0;
    }

    // Each control id names one widget of its kind, text and visibility; no other id is there.
    void theFormHoldsEveryControlIdAndNoOther() {
        auto dialog = Open();
        QCOMPARE(dialog->objectName(), QStringLiteral("103"));
        for (const Control& control : kControls) {
            const QList<QWidget*> found =
                dialog->findChildren<QWidget*>(QString::number(control.id));
            QCOMPARE(found.size(), qsizetype(1));
            QCOMPARE(QString::fromLatin1(found[0]->metaObject()->className()),
                     QString::fromLatin1(control.kind));
            if (control.text != nullptr) {
                QCOMPARE(qobject_cast<QAbstractButton*>(found[0])->text().remove(QLatin1Char('&')),
                         QString::fromLatin1(control.text));
            }
            QCOMPARE(!found[0]->isHidden(), control.shown);
            if (control.stores != nullptr) {
                // The button's group stores its id, the value the settings compare.
                static_cast<QRadioButton*>(found[0])->click();
                QCOMPARE(dialog->Values().*control.stores, control.id);
            }
        }
        for (const QWidget* widget : dialog->findChildren<QWidget*>()) {
            bool numeric = false;
            const int id = widget->objectName().toInt(&numeric);
            if (numeric) {
                const bool known = std::any_of(std::begin(kControls), std::end(kControls),
                                               [id](const Control& c) { return c.id == id; });
                QVERIFY2(known, qPrintable(widget->objectName()));
            }
        }
        QStringList titles;
        for (const QGroupBox* box : dialog->findChildren<QGroupBox*>()) {
            titles << box->title();
        }
        titles.sort();
        QCOMPARE(titles,
                 (QStringList{"Allowances", "How", "Run Options", "Style Of Clock",
                              "Time Zones For Clocks", "Update Your Time Clock", "When", "Where"}));
        QMap<QString, bool> labels; // text -> shown
        QSet<QChar> mnemonics;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            labels[QString(label->text()).remove(QLatin1Char('&'))] = !label->isHidden();
            // Each field is named by its label.
            QVERIFY(label->buddy() != nullptr || label->text() == QLatin1String("Secs."));
        }
        // No two controls answer to the same Alt key.
        for (const QWidget* widget : dialog->findChildren<QWidget*>()) {
            const auto* button = qobject_cast<const QAbstractButton*>(widget);
            const auto* label = qobject_cast<const QLabel*>(widget);
            const QString text = button ? button->text() : label ? label->text() : QString();
            const qsizetype at = text.indexOf(QLatin1Char('&'));
            if (at >= 0 && !widget->isHidden()) {
                QVERIFY2(!mnemonics.contains(text.at(at + 1).toLower()), qPrintable(text));
                mnemonics.insert(text.at(at + 1).toLower());
            }
        }
        QVERIFY(mnemonics.size() >= 20);
        QCOMPARE(labels, (QMap<QString, bool>{{"Your Time", true},
                                              {"Other Time", true},
                                              {"G.M.T. D.S.T.", false},
                                              {"Hours", true},
                                              {"Margin of Error +/-", true},
                                              {"Secs.", true}}));
    }

    // Tab reaches a radio group at its checked button only, wherever the check moves.
    void tabEntersARadioGroupAtTheCheckedButton() {
        auto dialog = Open();
        TabToCheckedRadios(*dialog);
        auto tabStop = [&](int id) {
            return (Find<QRadioButton>(*dialog, id)->focusPolicy() & Qt::TabFocus) != 0;
        };
        QVERIFY(tabStop(kRunNormal) && !tabStop(kRunMinimized) && !tabStop(kRunHidden));
        Find<QRadioButton>(*dialog, kRunMinimized)->setChecked(true);
        QVERIFY(!tabStop(kRunNormal) && tabStop(kRunMinimized) && !tabStop(kRunHidden));
    }

    void hiddenControlsCarryTheirValuesThroughSave() {
        QFile file(m_dir->filePath(QStringLiteral("ClockInfo.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        // An older copy's file, in Latin-1: Save gives the unedited name back byte for byte.
        file.write("[YOURCOUNTRY]\r\nCOUNTRYNAME=Lord Howe\r\n[OTHERCOUNTRY]\r\n"
                   "COUNTRYNAME=M\xFCnchen\r\nCOUNTRYOFFSET=-3\r\nDAYLIGHTSAVINGSFLAG=1\r\n");
        file.close();
        auto dialog = Open();
        QCOMPARE(Find<QLineEdit>(*dialog, CConfigDlg::kIdYourCountry)->text(),
                 QStringLiteral("Lord Howe"));
        QCOMPARE(Find<QLineEdit>(*dialog, CConfigDlg::kIdOtherOffset)->text(),
                 QStringLiteral("-3"));
        QVERIFY(Find<QCheckBox>(*dialog, CConfigDlg::kIdDaylightFlag)->isChecked());
        // The margin takes digits only.
        QTest::keyClicks(Find<QLineEdit>(*dialog, CConfigDlg::kIdMargin), QStringLiteral("4x-2"));
        Find<QPushButton>(*dialog, CConfigDlg::kIdSave)->click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        ClockSettings settings;
        LoadSettings(m_dir->path().toStdString(), settings, nullptr);
        QCOMPARE(settings.yourCountryName, std::string("Lord Howe"));
        QCOMPARE(settings.otherCountryOffset, -3);
        QVERIFY(settings.daylightSavingsFlag);
        QCOMPARE(settings.checkTimeMarginOfError, 142);
        QCOMPARE(settings.otherCountryName, std::string("M\xFCnchen"));
    }

    void opensWithTheDefaultsWhenThereIsNoFile() {
        auto dialog = Open();
        QCOMPARE(Find<QLineEdit>(*dialog, CConfigDlg::kIdOtherCountry)->text(),
                 QStringLiteral("Make your selection."));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Tarnwick Configuration"));
        for (int id : {kRunNormal, kCheckUsServers, kUpdatePrompt, kCheckOnDialUp}) {
            QVERIFY2(Find<QRadioButton>(*dialog, id)->isChecked(), qPrintable(QString::number(id)));
        }
        QCOMPARE(Find<QLineEdit>(*dialog, CConfigDlg::kIdHourInterval)->text(),
                 QStringLiteral("180"));
        QCOMPARE(Find<QLineEdit>(*dialog, CConfigDlg::kIdMargin)->text(), QStringLiteral("1"));
        QVERIFY(Find<QCheckBox>(*dialog, CConfigDlg::kIdLoginStartup)->isChecked());
        QVERIFY(Find<QCheckBox>(*dialog, CConfigDlg::kIdBlueLcd)->isChecked());
        QVERIFY(Find<QCheckBox>(*dialog, CConfigDlg::kIdTransparent)->isChecked());
        QVERIFY(!Find<QCheckBox>(*dialog, CConfigDlg::kIdCheckStartup)->isChecked());
        QVERIFY(m_messages.shown.empty());
    }

    void saveWritesWhatTheFormHoldsAndAppliesStartAtLogin() {
        auto dialog = Open();
        Find<QRadioButton>(*dialog, kUpdateAutomatic)->click();
        Find<QRadioButton>(*dialog, kCheckCustomServers)->click();
        Find<QLineEdit>(*dialog, CConfigDlg::kIdCustomServers)->setText("127.0.0.1:3737");
        Find<QLineEdit>(*dialog, CConfigDlg::kIdHourInterval)->clear();
        Find<QCheckBox>(*dialog, CConfigDlg::kIdLoginStartup)->setChecked(false);
        Find<QPushButton>(*dialog, CConfigDlg::kIdSave)->click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        ClockSettings settings;
        settings.checkTimeHourInterval = -7; // an empty field leaves this as it was
        LoadSettings(m_dir->path().toStdString(), settings, nullptr);
        QCOMPARE(settings.checkTimeUpdateOption, int(kUpdateAutomatic));
        QCOMPARE(settings.checkTimeOption, int(kCheckCustomServers));
        QCOMPARE(settings.checkTimeCustomServers, std::string("127.0.0.1:3737"));
        QVERIFY(!settings.loginStartup);
        QVERIFY2(FileText().contains(QLatin1String("CHECKTIMEHOURINTERVAL=\n")),
                 qPrintable(FileText()));
        QCOMPARE(m_runAtLogin.calls, std::vector<std::string>{"Tarnwick=0"});
    }

    void cancelAfterAZonePickKeepsOnlyTheZone() {
        auto dialog = Open();
        Find<QRadioButton>(*dialog, kRunMinimized)->click();
        Find<QPushButton>(*dialog, CConfigDlg::kIdOtherZone)->click();
        QCOMPARE(m_picks, 1);
        QCOMPARE(Find<QLineEdit>(*dialog, CConfigDlg::kIdOtherCountry)->text(),
                 QStringLiteral("Newfoundland"));
        Find<QPushButton>(*dialog, CConfigDlg::kIdCancel)->click();
        ClockSettings settings;
        LoadSettings(m_dir->path().toStdString(), settings, nullptr);
        QCOMPARE(settings.timeZoneId, 26);
        QCOMPARE(settings.runOption, int(kRunNormal));
        QVERIFY(m_runAtLogin.calls.empty());
    }

    void runHiddenSaysWhatItDoesOnEveryClick() {
        auto dialog = Open();
        auto* hidden = Find<QRadioButton>(*dialog, kRunHidden);
        hidden->click();
        hidden->click();
        QCOMPARE(m_messages.shown.size(), std::size_t(2));
        QCOMPARE(m_messages.shown[1].text, std::string(CConfigDlg::kRunHiddenMessage));
        QCOMPARE(dialog->Values().runOption, int(kRunHidden));
    }

    void aSaveThatCannotWriteSaysWhyAndStaysOpen() {
        auto dialog = Open();
        // The settings file became something no one may write as a file, even root.
        const QString path = m_dir->filePath(QStringLiteral("ClockInfo.dat"));
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("ClockInfo.dat")));
        Find<QRadioButton>(*dialog, kUpdateNever)->click();
        Find<QPushButton>(*dialog, CConfigDlg::kIdSave)->click();
        QCOMPARE(m_messages.shown.size(), std::size_t(1));
        QVERIFY2(m_messages.shown[0].text.rfind("The settings could not be saved: ", 0) == 0,
                 m_messages.shown[0].text.c_str());
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(dialog->result() != int(QDialog::Accepted));
        QVERIFY(m_runAtLogin.calls.empty());
    }
};

QTEST_MAIN(TestConfigDlg)
#include "config_dlg.moc"
