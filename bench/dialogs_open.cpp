// Opens the converter dialog, or with --config the configuration dialog, as the clock's
// buttons do and prints how long it took, from constructing the dialog until it is shown and
// filled, in milliseconds.
//   dialogs_open [--config]
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>

#include <cstdio>

#include "config/config_dlg.h"
#include "config/converter_dlg.h"
#include "platform/message_box.h"
#include "widgets/dialog_units.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // As from the running clock: a window of the clock's font has loaded the fonts and style.
    QLabel mainWindow("Tarnwick");
    mainWindow.setFont(tarnwick::DialogTemplateFont());
    mainWindow.show();
    QApplication::processEvents();

    if (argc == 2 && QString(argv[1]) == "--config") {
        QTemporaryDir dir;
        tarnwick::RecordingMessageBox messages;
        tarnwick::CConfigDlg::Environment environment;
        environment.settingsDirectory = dir.path().toStdString();
        environment.dataDirectory = dir.path().toStdString();
        environment.messages = &messages;
        QElapsedTimer timer;
        timer.start();
        tarnwick::CConfigDlg config(environment);
        config.show();
        QApplication::processEvents();
        const qint64 ns = timer.nsecsElapsed();
        if (config.Values().checkTimeHourInterval != "180" || !messages.shown.empty()) {
            std::fprintf(stderr, "dialogs_open: the configuration dialog was not filled\n");
            return 1;
        }
        std::printf("%.1f ms\n", static_cast<double>(ns) / 1e6);
        return 0;
    }

    QElapsedTimer timer;
    timer.start();
    tarnwick::CConverterDlg dialog;
    dialog.SetOffset(tarnwick::ConverterOffsetFrom(330, -210));
    dialog.SetNow({3, 20});
    dialog.show();
    QApplication::processEvents();
    const qint64 ns = timer.nsecsElapsed();
    const auto* other =
        dialog.findChild<QComboBox*>(QString::number(tarnwick::CConverterDlg::kIdOtherHour));
    if (other == nullptr || other->currentText() != QLatin1String("11am")) {
        std::fprintf(stderr, "dialogs_open: the other side was not filled\n");
        return 1;
    }
    std::printf("%.1f ms\n", static_cast<double>(ns) / 1e6);
    return 0;
}
