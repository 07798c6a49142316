// The yardstick of bench/run.sh: the least a Qt Widgets program does to put one line of text
// in a window. It reports, as the clock's probe does, when its window is first exposed and
// when its text is first painted (CLOCK_BOOTTIME, nanoseconds), then goes on until killed.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace {

long long BoottimeNs() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

class Probe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const char* what = nullptr;
        if (event->type() == QEvent::Expose && !m_mapped) {
            m_mapped = true;
            what = "mapped";
        } else if (event->type() == QEvent::Paint && qobject_cast<QLabel*>(watched) && !m_painted) {
            m_painted = true;
            what = "first-text";
        }
        if (what != nullptr) {
            QTimer::singleShot(0, [what] {
                std::fprintf(stderr, "tarnwick-bench: %s boottime_ns=%lld\n", what, BoottimeNs());
            });
        }
        return false;
    }

private:
    bool m_mapped = false;
    bool m_painted = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("Saturday, December 05, 2026  04:10:54 AM"));
    Probe probe;
    label.installEventFilter(&probe);
    label.winId();
    label.windowHandle()->installEventFilter(&probe);
    label.show();
    return application.exec();
}
