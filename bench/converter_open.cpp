// Opens the converter dialog as the clock's Converter button does and prints how long it took,
// from constructing the dialog until it is shown with both sides filled, in milliseconds.
//   converter_open
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>

#include <cstdio>

#include "config/converter_dlg.h"
#include "widgets/dialog_units.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // As from the running clock: a window of the clock's font has loaded the fonts and style.
    QLabel mainWindow("Tarnwick");
    mainWindow.setFont(tarnwick::DialogTemplateFont());
    mainWindow.show();
    QApplication::processEvents();

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
        std::fprintf(stderr, "converter_open: the other side was not filled\n");
        return 1;
    }
    std::printf("%.1f ms\n", static_cast<double>(ns) / 1e6);
    return 0;
}
