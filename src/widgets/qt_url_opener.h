// The desktop's URL opener (QDesktopServices: the XDG portal or xdg-open, never a shell). A
// call from a worker thread is handed to the UI thread.
#pragma once

#include "platform/url_opener.h"

namespace tarnwick {

class QtUrlOpener final : public IUrlOpener {
public:
    // Only a valid http or https URL is passed on; true when it was.
    bool Open(const std::string& url) override;
};

} // namespace tarnwick
