#include "widgets/app_icon.h"

#include <QString>

// The resources live in a static library, whose initialiser the linker may drop: register them
// explicitly (outside any namespace, as Q_INIT_RESOURCE requires).
static void InitTarnwickResources() {
    Q_INIT_RESOURCE(tarnwick);
}

namespace tarnwick {

QIcon AppIcon() {
    static const bool registered = [] {
        InitTarnwickResources();
        return true;
    }();
    (void)registered;
    static const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
    QIcon icon;
    for (const int size : kSizes) {
        icon.addFile(QStringLiteral(":/icons/tarnwick-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace tarnwick
