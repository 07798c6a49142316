#include "update/update_site.h"

#include "platform/product.h"
#include "settings/settings_file.h"

#ifndef TARNWICK_UPDATE_URL
#define TARNWICK_UPDATE_URL ""
#endif

namespace tarnwick {

std::string BuiltInUpdateSite() {
    return TARNWICK_UPDATE_URL;
}

double RunningVersion() {
    double version = 0.0;
    CSettingsFile::ParseLeadingDouble(kProductVersion, version);
    return version;
}

} // namespace tarnwick
