/*
 * wm_click: gives a top-level X window the input focus as a click-to-focus window manager does
 * when the user clicks it, so that a program under Wine is activated from outside its process
 * the way a user activates it, not through a Windows call.
 *
 * As ICCCM asks of a window manager: the window is raised; if its WM_HINTS let it take input
 * (or it has none), the window manager sets the focus itself; if its WM_PROTOCOLS hold
 * WM_TAKE_FOCUS, it is sent that message and sets the focus itself (Wine's windows are of this
 * kind). Both carry the time of the click, a timestamp from the server. Then it waits until the
 * X input focus is on the window.
 *
 * Usage: wm_click WINDOW [TIMEOUT_MS]   (WINDOW: the X window's id, decimal or 0x hex)
 * Exit codes: 0 the window has the focus; 2 bad arguments; 3 no display; 5 timed out.
 * Build: cc -O2 -o wm_click wm_click.c -lX11
 */
#define _POSIX_C_SOURCE 200809L

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

/* A property change on a window of our own: the server stamps the event with its time. */
static Time server_time(Display* display) {
    const Window own =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, own, PropertyChangeMask);
    const Atom name = XInternAtom(display, "WM_CLICK_TIME", False);
    XChangeProperty(display, own, name, XA_STRING, 8, PropModeAppend, NULL, 0);
    XEvent event;
    XWindowEvent(display, own, PropertyChangeMask, &event);
    XDestroyWindow(display, own);
    return event.xproperty.time;
}

static int takes_focus_message(Display* display, Window window, Atom take_focus) {
    Atom* protocols = NULL;
    int count = 0;
    int found = 0;
    if (XGetWMProtocols(display, window, &protocols, &count)) {
        for (int i = 0; i < count; ++i) {
            found |= protocols[i] == take_focus;
        }
        XFree(protocols);
    }
    return found;
}

static int takes_input(Display* display, Window window) {
    XWMHints* hints = XGetWMHints(display, window);
    const int input = hints == NULL || !(hints->flags & InputHint) || hints->input;
    if (hints != NULL) {
        XFree(hints);
    }
    return input;
}

/* A window that is not viewable refuses the focus; the wait below then says so. */
static int ignore_errors(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0;
}

static double now_ms(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: wm_click WINDOW [TIMEOUT_MS]\n");
        return 2;
    }
    char* end = NULL;
    const Window window = strtoul(argv[1], &end, 0);
    const double timeout_ms = argc == 3 ? atof(argv[2]) : 30000;
    if (window == 0 || *end != '\0' || timeout_ms <= 0) {
        fprintf(stderr, "wm_click: bad window or timeout\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "wm_click: cannot open the display\n");
        return 3;
    }
    XSetErrorHandler(ignore_errors);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom take_focus = XInternAtom(display, "WM_TAKE_FOCUS", False);
    const Time time = server_time(display);

    XRaiseWindow(display, window);
    if (takes_input(display, window)) {
        XSetInputFocus(display, window, RevertToParent, time);
    }
    if (takes_focus_message(display, window, take_focus)) {
        XEvent message = {0};
        message.xclient.type = ClientMessage;
        message.xclient.window = window;
        message.xclient.message_type = protocols;
        message.xclient.format = 32;
        message.xclient.data.l[0] = (long)take_focus;
        message.xclient.data.l[1] = (long)time;
        XSendEvent(display, window, False, NoEventMask, &message);
    }
    XFlush(display);

    const double deadline = now_ms() + timeout_ms;
    for (;;) {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        if (focus == window) {
            printf("focus 0x%lx\n", window);
            return 0;
        }
        if (now_ms() > deadline) {
            fprintf(stderr, "wm_click: the focus stayed on 0x%lx, not 0x%lx\n", focus, window);
            return 5;
        }
        const struct timespec pause = {0, 20 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
}
