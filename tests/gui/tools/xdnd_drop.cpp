// Drops files on the top-level window with the given title the way a file
// manager does, through the XDND protocol: enter, position (at the
// pointer), drop, then the file list as "text/uri-list" when the target
// asks for the selection. Exit code 0 once the target reports the drop
// finished, 1 when there is no such window or it does not answer.
// Usage: xdnd_drop TITLE FILE...
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

Window findWindow(Display* display, Window parent, const char* title) {
    Window root = 0, parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOut, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::strcmp(name, title) == 0) found = children[i];
            XFree(name);
        }
        if (found == 0) found = findWindow(display, children[i], title);
    }
    if (children) XFree(children);
    return found;
}

// file:// and the absolute path, with every byte outside the unreserved
// set written as %XX.
std::string fileUri(const char* path) {
    char resolved[PATH_MAX];
    const char* absolute = realpath(path, resolved) ? resolved : path;
    std::string uri = "file://";
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(absolute); *c; ++c) {
        if (std::isalnum(*c) || std::strchr("/-_.~", *c)) {
            uri += static_cast<char>(*c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", *c);
            uri += escaped;
        }
    }
    return uri;
}

struct Atoms {
    Atom enter, position, status, drop, finished, selection, actionCopy, uriList;
};

void sendDnd(Display* display, Window target, Atom type, long l0, long l1, long l2, long l3, long l4) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    long data[5] = {l0, l1, l2, l3, l4};
    for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

// Hands the file list to whoever asks for the selection.
void answerSelection(Display* display, const XSelectionRequestEvent& request, const Atoms& atoms,
                     const std::string& uris) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    if (request.target == atoms.uriList && request.property != None) {
        XChangeProperty(display, request.requestor, request.property, atoms.uriList, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(uris.data()), static_cast<int>(uris.size()));
        reply.xselection.property = request.property;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

// The next event within the deadline; false when time runs out.
bool nextEvent(Display* display, XEvent& event, std::chrono::steady_clock::time_point deadline) {
    while (!XPending(display)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
    }
    XNextEvent(display, &event);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: xdnd_drop TITLE FILE...\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 2;
    Window root = DefaultRootWindow(display);
    Window target = findWindow(display, root, argv[1]);
    if (target == 0) {
        std::fprintf(stderr, "xdnd_drop: no window \"%s\"\n", argv[1]);
        return 1;
    }
    Atoms atoms{XInternAtom(display, "XdndEnter", False),      XInternAtom(display, "XdndPosition", False),
                XInternAtom(display, "XdndStatus", False),     XInternAtom(display, "XdndDrop", False),
                XInternAtom(display, "XdndFinished", False),   XInternAtom(display, "XdndSelection", False),
                XInternAtom(display, "XdndActionCopy", False), XInternAtom(display, "text/uri-list", False)};
    std::string uris;
    for (int i = 2; i < argc; ++i) uris += fileUri(argv[i]) + "\r\n";

    // The source: a window of ours that owns the drag's selection.
    Window source = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, atoms.selection, source, CurrentTime);

    Window rootOut = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    XQueryPointer(display, root, &rootOut, &child, &rootX, &rootY, &x, &y, &mask);

    const long version = 5;
    sendDnd(display, target, atoms.enter, static_cast<long>(source), version << 24, static_cast<long>(atoms.uriList), 0,
            0);
    sendDnd(display, target, atoms.position, static_cast<long>(source), 0, (rootX << 16) | rootY, CurrentTime,
            static_cast<long>(atoms.actionCopy));

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool dropped = false;
    XEvent event;
    while (nextEvent(display, event, deadline)) {
        if (event.type == SelectionRequest) {
            answerSelection(display, event.xselectionrequest, atoms, uris);
        } else if (event.type == ClientMessage && event.xclient.message_type == atoms.status && !dropped) {
            if (!(event.xclient.data.l[1] & 1)) {
                std::fprintf(stderr, "xdnd_drop: the window refused the drop\n");
                return 1;
            }
            sendDnd(display, target, atoms.drop, static_cast<long>(source), 0, CurrentTime, 0, 0);
            dropped = true;
        } else if (event.type == ClientMessage && event.xclient.message_type == atoms.finished) {
            XDestroyWindow(display, source);
            XCloseDisplay(display);
            return 0;
        }
    }
    std::fprintf(stderr, "xdnd_drop: no answer from the window (%s)\n", dropped ? "after the drop" : "to the drag");
    return 1;
}
