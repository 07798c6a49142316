// The configuration dialog, offscreen: its form against the control ids and its defaults, the
// hidden-mode message, Save's file, the hidden controls' values, Cancel after a zone pick, and a
// Save that cannot write.
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
#include <memory>

#include "config/config_dlg.h"
#include "platform/message_box.h"
#include "platform/run_at_login.h"
#include "settings/clock_settings.h"
#include "support/ui_golden.h"
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

    // The form as a dump compared with tests/data/ui/config_form.txt: every widget with a
    // control id (its class, whether it is ever shown, its text or value and check, as opened
    // with no file: the defaults), the group titles and the labels, then the values the
    // settings store (run, update, check, interval) after a click on each radio button.
    void theFormItsIdsAndDefaults() {
        auto dialog = Open();
        QStringList form = {dialog->objectName() + ' ' + dialog->windowTitle()};
        QList<QRadioButton*> radios;
        QSet<QChar> mnemonics; // no two shown controls answer to the same Alt key
        for (QWidget* widget : dialog->findChildren<QWidget*>()) {
            bool numeric = false;
            widget->objectName().toInt(&numeric);
            const auto* button = qobject_cast<QAbstractButton*>(widget);
            const auto* label = qobject_cast<QLabel*>(widget);
            const QString text = button ? button->text() : label ? label->text() : QString();
            if (const qsizetype at = text.indexOf('&'); at >= 0 && !widget->isHidden()) {
                QVERIFY2(!mnemonics.contains(text.at(at + 1).toLower()), qPrintable(text));
                mnemonics.insert(text.at(at + 1).toLower());
            }
            if (numeric) {
                const auto* edit = qobject_cast<QLineEdit*>(widget);
                form << QString("%1 %2 %3 %4 %5")
                            .arg(widget->objectName(), widget->metaObject()->className(),
                                 widget->isHidden() ? "hidden" : "shown",
                                 button && button->isChecked() ? "checked" : "-",
                                 edit     ? edit->text()
                                 : button ? button->text()
                                          : "?")
                            .trimmed();
            }
            if (auto* radio = qobject_cast<QRadioButton*>(widget); radio && numeric) {
                radios << radio;
            } else if (const auto* box = qobject_cast<QGroupBox*>(widget)) {
                form << "group " + box->title();
            } else if (label != nullptr) {
                form << ("label " + label->text() + (label->isHidden() ? " hidden" : "")).trimmed();
                // Each field is named by its label.
                QVERIFY(label->buddy() != nullptr || label->text() == QLatin1String("Secs."));
            }
        }
        for (QRadioButton* radio : radios) {
            radio->click();
            const ConfigDialogValues values = dialog->Values();
            form << QString("%1 stores %2 %3 %4 %5")
                        .arg(radio->objectName())
                        .arg(values.runOption)
                        .arg(values.checkTimeUpdateOption)
                        .arg(values.checkTimeOption)
                        .arg(values.checkTimeInterval);
        }
        std::sort(form.begin() + 1, form.end());
        QVERIFY(test::MatchesGolden(form, "config_form.txt"));
        // "Run Hidden" says what it does on every click.
        Find<QRadioButton>(*dialog, kRunHidden)->click();
        QCOMPARE(m_messages.shown.size(), std::size_t(2));
        QCOMPARE(m_messages.shown[1].text, std::string(CConfigDlg::kRunHiddenMessage));
        QVERIFY(mnemonics.size() >= 20);
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
