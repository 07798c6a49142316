#include "app/bench_probe.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWindow>

#include <cstdio>

#include "app/clock_display.h"
#include "app/clock_dlg.h"
#include "platform/clock.h"
#include "platform/process_info.h"

namespace tarnwick {

namespace {

class BenchProbe final : public QObject {
public:
    BenchProbe(CClockDlg& window, bool everyTick)
        : QObject(&window), m_window(window), m_everyTick(everyTick) {
        window.Display().installEventFilter(this);
        window.winId(); // the native window exists now: its first exposure is the map
        window.windowHandle()->installEventFilter(this);
        connect(&window, &CClockDlg::ticked, this, [this](qint64 shown) {
            m_tickShown = shown;
            m_tickPending = m_everyTick;
        });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && !m_mappedReported) {
            m_mappedReported = true;
            Report("mapped");
        }
        if (event->type() != QEvent::Paint || m_window.Display().Text().isEmpty()) {
            return QObject::eventFilter(watched, event);
        }
        // Reported once this paint has reached the screen, from the queue.
        if (m_tickPending) {
            m_tickPending = false;
            const long long shown = m_tickShown;
            const TimeSyncSnapshot sync = m_window.SyncState();
            const int status = sync.status;
            const long long difference = sync.differenceSeconds;
            QTimer::singleShot(0, this, [shown, status, difference] {
                std::fprintf(stderr,
                             "tarnwick-bench: tick shown_s=%lld painted_ms=%lld status=%d "
                             "difference_s=%lld\n",
                             shown,
                             static_cast<long long>(SystemClock::Instance().NowUnixMilliseconds()),
                             status, difference);
            });
        }
        if (!m_firstTextReported) {
            m_firstTextReported = true;
            Report("first-text");
        }
        return QObject::eventFilter(watched, event);
    }

    void Report(const char* what) {
        QTimer::singleShot(0, this, [what] {
            long long boottimeNs = 0;
            const double sinceStart = MillisecondsSinceProcessStart(boottimeNs);
            std::fprintf(stderr, "tarnwick-bench: %s boottime_ns=%lld since_start_ms=%.1f\n", what,
                         boottimeNs, sinceStart);
        });
    }

private:
    CClockDlg& m_window;
    bool m_everyTick;
    bool m_mappedReported = false;
    bool m_firstTextReported = false;
    bool m_tickPending = false;
    long long m_tickShown = 0;
};

} // namespace

void InstallBenchProbe(CClockDlg& window) {
    new BenchProbe(window, qEnvironmentVariable("TARNWICK_BENCH") == QLatin1String("ticks"));
}

} // namespace tarnwick
