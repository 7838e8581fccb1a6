/*
 * xdnd_drop's look at the X windows: their properties, the window of a title, the XDND-aware
 * window under a point, and the server's time.
 */
#define _POSIX_C_SOURCE 200809L

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>

#include "xdnd_drop.h"

/* ---- X errors: a window may vanish at any time; record instead of exiting ---- */

unsigned long x_errors;
char last_x_error[160];

int on_x_error(Display* d, XErrorEvent* e) {
    char text[120];
    XGetErrorText(d, e->error_code, text, sizeof text);
    snprintf(last_x_error, sizeof last_x_error, "%s (request %d, resource 0x%lx)", text,
             e->request_code, e->resourceid);
    ++x_errors;
    logv("X error: %s", last_x_error);
    return 0;
}

/* ---- window properties and lookup ---- */

unsigned char* get_prop(Window w, Atom prop, Atom want_type, int want_format,
                        unsigned long* count) {
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char* data = NULL;
    if (XGetWindowProperty(dpy, w, prop, 0, 1 << 16, False, want_type, &type, &format, &n, &after,
                           &data) != Success)
        return NULL;
    if (!data || type != want_type || format != want_format || n == 0) {
        if (data)
            XFree(data);
        return NULL;
    }
    if (count)
        *count = n;
    return data;
}

int xdnd_version(Window w) {
    unsigned char* data = get_prop(w, atoms[A_XdndAware], XA_ATOM, 32, NULL);
    if (!data)
        return -1;
    int version = (int)((unsigned long*)data)[0];
    XFree(data);
    return version;
}

Window proxy_of(Window w) {
    unsigned char* data = get_prop(w, atoms[A_XdndProxy], XA_WINDOW, 32, NULL);
    if (!data)
        return None;
    Window proxy = (Window)((unsigned long*)data)[0];
    XFree(data);
    /* A stale proxy property (its window gone or not pointing to itself) is ignored. */
    data = get_prop(proxy, atoms[A_XdndProxy], XA_WINDOW, 32, NULL);
    if (!data)
        return None;
    Window self = (Window)((unsigned long*)data)[0];
    XFree(data);
    return self == proxy ? proxy : None;
}

int name_matches(Window w, const char* name) {
    unsigned long n;
    unsigned char* data = get_prop(w, atoms[A_NET_WM_NAME], atoms[A_UTF8_STRING], 8, &n);
    if (data) {
        int same = strlen(name) == n && memcmp(data, name, n) == 0;
        XFree(data);
        if (same)
            return 1;
    }
    XTextProperty tp;
    if (!XGetWMName(dpy, w, &tp) || !tp.value)
        return 0;
    int same = 0;
    char** list = NULL;
    int list_count = 0;
    if (Xutf8TextPropertyToTextList(dpy, &tp, &list, &list_count) >= Success && list_count > 0)
        same = strcmp(list[0], name) == 0;
    else
        same = strlen(name) == tp.nitems && memcmp(tp.value, name, tp.nitems) == 0;
    if (list)
        XFreeStringList(list);
    XFree(tp.value);
    return same;
}

int is_viewable(Window w) {
    XWindowAttributes wa;
    return XGetWindowAttributes(dpy, w, &wa) && wa.map_state == IsViewable;
}

/* Topmost first, so that the first match is the one a user would see. */
void find_named(Window w, const char* name, Window* found, int* matches) {
    Window root, parent, *children = NULL;
    unsigned int n = 0;
    if (!XQueryTree(dpy, w, &root, &parent, &children, &n))
        return;
    for (unsigned int i = n; i-- > 0;) {
        if (!is_viewable(children[i]))
            continue;
        if (name_matches(children[i], name)) {
            if (!*matches)
                *found = children[i];
            ++*matches;
            continue;
        }
        find_named(children[i], name, found, matches);
    }
    if (children)
        XFree(children);
}

int is_ancestor(Window ancestor, Window w) {
    while (w && w != root_win) {
        if (w == ancestor)
            return 1;
        Window root, parent, *children = NULL;
        unsigned int n;
        if (!XQueryTree(dpy, w, &root, &parent, &children, &n))
            return 0;
        if (children)
            XFree(children);
        w = parent;
    }
    return ancestor == w;
}

/* The first XdndAware window on the way from the root down to the deepest window under the
 * point: that is the top-level window a file manager would talk to. */
Window find_target_at(int x, int y, int* version) {
    Window w = root_win;
    for (;;) {
        int tx, ty;
        Window child = None;
        if (!XTranslateCoordinates(dpy, root_win, w, x, y, &tx, &ty, &child) || child == None)
            return None;
        w = child;
        *version = xdnd_version(w);
        if (*version >= 0)
            return w;
    }
}

/* A timestamp from the server, for the selection ownership and the XDND messages. */
Time server_time(void) {
    XChangeProperty(dpy, source_win, atoms[A_STAMP], XA_INTEGER, 8, PropModeAppend, NULL, 0);
    XFlush(dpy);
    long deadline = now_ms() + 5000;
    XEvent ev;
    while (now_ms() < deadline) {
        if (XCheckTypedWindowEvent(dpy, source_win, PropertyNotify, &ev) &&
            ev.xproperty.atom == atoms[A_STAMP])
            return ev.xproperty.time;
        sleep_ms(2);
    }
    fail(EXIT_FAILED, "the X server did not report a timestamp");
    return CurrentTime;
}
