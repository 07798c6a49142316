// The clock: start-up is CClockApp's; this file only hands it the command line.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label("Tarnwick");
    label.show();
    return app.exec();
}
