// For the Qt tests: a form dumped line by line and compared with a file under tests/data/ui/.
#pragma once

#include <QFile>
#include <QStringList>

#include "support/test_data.h"

namespace tarnwick::test {

// Whether the dump is the fixture's text; if not, names the first line that differs and prints
// the whole dump (the fixture to write once a change of the form is meant).
inline bool MatchesGolden(const QStringList& dump, const QString& name) {
    QFile file(QString::fromStdString(TestDataPath("ui/" + name.toStdString())));
    const QStringList golden =
        file.open(QIODevice::ReadOnly)
            ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
            : QStringList();
    qsizetype at = 0;
    while (at < dump.size() && at < golden.size() && dump[at] == golden[at]) {
        ++at;
    }
    if (at == dump.size() && at == golden.size()) {
        return true;
    }
    qWarning("%s differs at line %lld, which should read: %s\nThe dump:\n%s",
             qPrintable(file.fileName()), static_cast<long long>(at + 1),
             qPrintable(at < golden.size() ? golden[at] : "(end)"), qPrintable(dump.join('\n')));
    return false;
}

} // namespace tarnwick::test
