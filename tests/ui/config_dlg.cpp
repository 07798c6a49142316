// The configuration dialog, offscreen: its defaults, Save's file, Cancel after a zone pick, the
// hidden-mode message, and a Save that cannot write.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "config/config_dlg.h"
#include "platform/message_box.h"
#include "platform/run_at_login.h"
#include "settings/clock_settings.h"

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
        T* widget = dialog.findChild<T*>(QString::number(id));
        if (widget == nullptr) {
            qFatal("no control %d", id);
        }
        return widget;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages.shown.clear();
        m_runAtLogin.calls.clear();
        m_picks = 0;
    }

    void opensWithTheDefaultsWhenThereIsNoFile() {
        auto dialog = Open();
        QCOMPARE(Find<QLineEdit>(*dialog, CConfigDlg::kIdOtherCountry)->text(),
                 QStringLiteral("Make your selection."));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Tarnwick Configuration"));
        for (int id : {kRunNormal, kCheckUsServers, kUpdatePrompt, kCheckOnDialUp}) {
            QVERIFY2(Find<QRadioButton>(*dialog, id)->isChecked(), qPrintable(QString::number(id)));
        }
        QCOMPARE(Find<QRadioButton>(*dialog, kUpdateAutomatic)->text(),
                 QStringLiteral("Automaticly"));
        QCOMPARE(Find<QLineEdit>(*dialog, CConfigDlg::kIdHourInterval)->text(),
                 QStringLiteral("180"));
        QCOMPARE(Find<QLineEdit>(*dialog, CConfigDlg::kIdMargin)->text(), QStringLiteral("1"));
        QVERIFY(Find<QCheckBox>(*dialog, CConfigDlg::kIdLoginStartup)->isChecked());
        QVERIFY(Find<QCheckBox>(*dialog, CConfigDlg::kIdBlueLcd)->isChecked());
        QCOMPARE(Find<QCheckBox>(*dialog, CConfigDlg::kIdTransparent)->text(),
                 QStringLiteral("Bkgrnd Transparent To Desktop"));
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
