// Opens the zone editor on a copy of a zone database and prints how long it took, from
// constructing the dialog until it is shown with its list filled, in milliseconds.
//   editor_open <timezones.mdb> [--cold]
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <cstdio>

#include "editor/time_zone_editor_dlg.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "widgets/dialog_units.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: editor_open <timezones.mdb> [--cold]\n");
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid() || !QFile::copy(argv[1], dir.filePath("timezones.mdb"))) {
        std::fprintf(stderr, "editor_open: cannot copy %s into a temporary directory\n", argv[1]);
        return 1;
    }
    tarnwick::FixedClock clock(1782921600); // 2026-07-01 16:00 UTC
    tarnwick::FixedLocalZone zone(0, "UTC");
    tarnwick::RecordingMessageBox messages;

    // The editor opens from the running clock, whose window has already loaded the fonts and
    // the style; a window of the clock's size stands in for it. --cold leaves it out.
    const bool cold = argc == 3 && QString(argv[2]) == "--cold";
    QLabel mainWindow("Tarnwick");
    if (!cold) {
        mainWindow.setFont(tarnwick::DialogTemplateFont());
        mainWindow.show();
        QApplication::processEvents();
    }

    QElapsedTimer timer;
    timer.start();
    tarnwick::CTimeZoneEditorDlg dialog(clock, zone, dir.path().toStdString(), messages);
    const qint64 constructed = timer.nsecsElapsed();
    dialog.show();
    const qint64 ns = timer.nsecsElapsed();

    const auto* list =
        dialog.findChild<QComboBox*>(tarnwick::EditorControlName(tarnwick::editor_id::kZoneList));
    const int items = list ? list->count() : -1;
    if (!messages.shown.empty() || items <= 0) {
        std::fprintf(stderr, "editor_open: the list was not filled (%d items, %zu messages)\n",
                     items, messages.shown.size());
        for (const auto& m : messages.shown) {
            std::fprintf(stderr, "  %s\n", m.text.c_str());
        }
        return 1;
    }
    std::printf("%.2f ms %d items (constructed in %.2f ms)\n", static_cast<double>(ns) / 1e6, items,
                static_cast<double>(constructed) / 1e6);
    return 0;
}
