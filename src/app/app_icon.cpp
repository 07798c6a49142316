#include "app/app_icon.h"

#include <QString>

namespace tarnwick {

QIcon AppIcon() {
    static const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
    QIcon icon;
    for (const int size : kSizes) {
        icon.addFile(QStringLiteral(":/icons/tarnwick-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace tarnwick
