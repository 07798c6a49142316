#include "platform/x11_selection.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tarnwick {

bool X11SelectionHasOwner(void* connection, const char* selectionName) {
    if (connection == nullptr || selectionName == nullptr) {
        return false;
    }
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (xcb == nullptr) {
        return false;
    }
    struct Cookie {
        unsigned int sequence;
    };
    struct Reply { // the intern-atom and get-selection-owner replies share this layout
        std::uint8_t responseType;
        std::uint8_t pad;
        std::uint16_t sequence;
        std::uint32_t length;
        std::uint32_t value; // the atom, or the owner window
    };
    using InternAtom = Cookie (*)(void*, std::uint8_t, std::uint16_t, const char*);
    using InternAtomReply = Reply* (*)(void*, Cookie, void**);
    using GetSelectionOwner = Cookie (*)(void*, std::uint32_t);
    using GetSelectionOwnerReply = Reply* (*)(void*, Cookie, void**);
    auto internAtom = reinterpret_cast<InternAtom>(dlsym(xcb, "xcb_intern_atom"));
    auto internAtomReply = reinterpret_cast<InternAtomReply>(dlsym(xcb, "xcb_intern_atom_reply"));
    auto getOwner = reinterpret_cast<GetSelectionOwner>(dlsym(xcb, "xcb_get_selection_owner"));
    auto getOwnerReply =
        reinterpret_cast<GetSelectionOwnerReply>(dlsym(xcb, "xcb_get_selection_owner_reply"));
    bool owned = false;
    if (internAtom != nullptr && internAtomReply != nullptr && getOwner != nullptr &&
        getOwnerReply != nullptr) {
        Reply* atom = internAtomReply(
            connection,
            internAtom(connection, 1, static_cast<std::uint16_t>(std::strlen(selectionName)),
                       selectionName),
            nullptr);
        if (atom != nullptr) {
            if (atom->value != 0) {
                Reply* owner =
                    getOwnerReply(connection, getOwner(connection, atom->value), nullptr);
                if (owner != nullptr) {
                    owned = owner->value != 0;
                    std::free(owner);
                }
            }
            std::free(atom);
        }
    }
    dlclose(xcb);
    return owned;
}

} // namespace tarnwick
