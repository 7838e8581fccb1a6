/*
 * Keeps the ICCCM WM_STATE property of an X display's top-level windows as a window manager
 * does: NormalState once a window is mapped, WithdrawnState once it is unmapped. No frames, no
 * placement, no focus.
 *
 * Wine waits for that change before it hides a window it expects a window manager to manage:
 * without one, every hidden or closed dialog, message box and main window costs two seconds
 * ("wait_for_withdrawn_state ... wait timed out"). The private X server of a test session has
 * no window manager, so scripts/with-wine-session.sh runs this beside it.
 *
 * It also does a window manager's part for one EWMH state: a mapped client asks for
 * _NET_WM_STATE_DEMANDS_ATTENTION (Wine's FlashWindowEx does) or gives it up with a
 * _NET_WM_STATE client message to the root window, and the window manager records that in the
 * window's _NET_WM_STATE property, where `xprop` shows it. Every other state is left alone.
 *
 * Prints "ready" once it watches the display; runs until the display goes away.
 * Build: cc -O2 -o wm_state wm_state.c -lX11
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>

enum { NET_WM_STATE_REMOVE = 0, NET_WM_STATE_ADD = 1, NET_WM_STATE_TOGGLE = 2 };

/* A window can be destroyed between its unmapping and the property change; that is no error. */
static int ignore_errors(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0;
}

/* Adds (add 1), removes (0) or toggles (2) one atom in a window's _NET_WM_STATE list. */
static void change_net_wm_state(Display* display, Window window, Atom net_wm_state, Atom state,
                                long action) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = NULL;
    Atom atoms[64];
    unsigned long kept = 0;
    int present = 0;
    if (XGetWindowProperty(display, window, net_wm_state, 0, 64, False, XA_ATOM, &type, &format,
                           &count, &left, &data) == Success &&
        data != NULL) {
        if (type == XA_ATOM && format == 32) {
            for (unsigned long i = 0; i < count && kept < 63; ++i) {
                const Atom atom = (Atom)((long*)data)[i];
                if (atom == state) {
                    present = 1;
                } else {
                    atoms[kept++] = atom;
                }
            }
        }
        XFree(data);
    }
    if (action == NET_WM_STATE_ADD || (action == NET_WM_STATE_TOGGLE && !present)) {
        atoms[kept++] = state;
    }
    XChangeProperty(display, window, net_wm_state, XA_ATOM, 32, PropModeReplace,
                    (unsigned char*)atoms, (int)kept);
}

int main(void) {
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "wm_state: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignore_errors);
    const Window root = DefaultRootWindow(display);
    const Atom wm_state = XInternAtom(display, "WM_STATE", False);
    const Atom net_wm_state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom demands_attention = XInternAtom(display, "_NET_WM_STATE_DEMANDS_ATTENTION", False);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    printf("ready\n");
    fflush(stdout);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        Window window;
        long state[2] = {WithdrawnState, None};
        if (event.type == ClientMessage && event.xclient.message_type == net_wm_state &&
            event.xclient.format == 32) {
            for (int i = 1; i <= 2; ++i) {
                if ((Atom)event.xclient.data.l[i] == demands_attention) {
                    change_net_wm_state(display, event.xclient.window, net_wm_state,
                                        demands_attention, event.xclient.data.l[0]);
                    XFlush(display);
                }
            }
            continue;
        }
        if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect) {
            window = event.xmap.window;
            state[0] = NormalState;
        } else if (event.type == UnmapNotify && event.xunmap.event == root) {
            window = event.xunmap.window;
        } else {
            continue;
        }
        XChangeProperty(display, window, wm_state, wm_state, 32, PropModeReplace,
                        (unsigned char*)state, 2);
        XFlush(display);
    }
}
