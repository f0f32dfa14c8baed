#include "x11_virtual_root.h"

#include <X11/Xatom.h>

Window findVirtualRoot(Display* display, int screen)
{
    const Window root = RootWindow(display, screen);
    const Atom vrootAtom = XInternAtom(display, "__SWM_VROOT", False);

    Window rootReturn = None;
    Window parentReturn = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parentReturn, &children, &count)) {
        return root;
    }
    Window found = None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        // A child can vanish between the query and this read; the read then
        // fails and the child is skipped.
        if (XGetWindowProperty(display, children[i], vrootAtom, 0, 1, False, XA_WINDOW, &type,
                               &format, &items, &after, &data) == Success &&
            type == XA_WINDOW && format == 32 && items == 1 && data != nullptr) {
            found = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
        }
        if (data != nullptr) {
            XFree(data);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found != None ? found : root;
}
