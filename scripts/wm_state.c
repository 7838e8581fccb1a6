/*
 * Keeps the ICCCM WM_STATE property of an X display's top-level windows as a window manager
 * does, and does nothing else: NormalState once a window is mapped, WithdrawnState once it is
 * unmapped. No frames, no placement, no focus.
 *
 * Wine waits for that change before it hides a window it expects a window manager to manage:
 * without one, every hidden or closed dialog, message box and main window costs two seconds
 * ("wait_for_withdrawn_state ... wait timed out"). The private X server of a test session has
 * no window manager, so scripts/with-wine-session.sh runs this beside it.
 *
 * Prints "ready" once it watches the display; runs until the display goes away.
 * Build: cc -O2 -o wm_state wm_state.c -lX11
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>

/* A window can be destroyed between its unmapping and the property change; that is no error. */
static int ignore_errors(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0;
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
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);
    printf("ready\n");
    fflush(stdout);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        Window window;
        long state[2] = {WithdrawnState, None};
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
