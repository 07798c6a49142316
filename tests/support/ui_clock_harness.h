// For the Qt tests of the clock window: a fresh data directory, a clock that stands still at
// Saturday 2026-12-05 04:10:54 UTC, the computer's zone 5 h 30 min east of UTC, a message box
// that records, and the window's environment built on them.
#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/clock_dlg.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "zones/date_time.h"

namespace tarnwick::test {

inline const DateTime kUtcNow(2026, 12, 5, 4, 10, 54);

class ClockWindowHarness {
protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<FixedLocalZone> m_zone;
    std::unique_ptr<RecordingMessageBox> m_messages;

    // From the test's init(): nothing carries over from the test before.
    void NewHarness() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_clock = std::make_unique<FixedClock>(kUtcNow.ToUnixSeconds());
        m_zone = std::make_unique<FixedLocalZone>(330, "India Standard Time");
        m_messages = std::make_unique<RecordingMessageBox>();
    }

    void WriteSettings(const QByteArray& text) const {
        QFile file(m_dir->filePath(QStringLiteral("ClockInfo.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    ClockDlgEnvironment Environment() const {
        ClockDlgEnvironment environment;
        environment.clock = m_clock.get();
        environment.localZone = m_zone.get();
        environment.paths.settingsDirectory = m_dir->path().toStdString();
        environment.paths.dataDirectory = m_dir->path().toStdString();
        environment.messages = m_messages.get();
        return environment;
    }
};

} // namespace tarnwick::test
