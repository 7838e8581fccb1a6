/*
 * xdnd_drop: drops files onto an X window through the XDND protocol (freedesktop.org), the way
 * a Linux file manager delivers them, so that end-to-end tests can give a program running under
 * Wine a real drag-and-drop instead of a synthesized WM_DROPFILES.
 *
 * Build: cc -O2 -o xdnd_drop xdnd_drop.c xdnd_payloads.c xdnd_windows.c -lX11
 * Run `xdnd_drop --help` for the options and exit codes.
 */
#define _POSIX_C_SOURCE 200809L

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "xdnd_drop.h"

/* The newest protocol version this source speaks. */
#define OUR_XDND_VERSION 5
/* Before version 3 a target may not fetch the data through XdndSelection. */
#define OLDEST_XDND_VERSION 3

static const char* usage_text =
    "usage: xdnd_drop [options] PATH...\n"
    "Drops the given absolute paths onto an X window through XDND, like a file manager.\n"
    "\n"
    "Where to drop (root coordinates, or relative to the named window):\n"
    "  --x X --y Y            drop point\n"
    "  --window-name NAME     top-level window with this exact title (_NET_WM_NAME or\n"
    "                         WM_NAME); drops at its centre unless --x/--y are given\n"
    "  --wait-ms N            wait up to N ms for the named window to appear (default 0)\n"
    "Data:\n"
    "  --paths-from FILE      read more paths from FILE, NUL-separated ('-' = stdin)\n"
    "  --types LIST           offered targets, comma-separated, in order of preference, from\n"
    "                         text/uri-list, UTF8_STRING, text/plain;charset=utf-8,\n"
    "                         text/plain, STRING (default: the first four)\n"
    "  --incr-threshold N     serve data larger than N bytes incrementally (INCR), in\n"
    "                         chunks of N bytes (default 262144)\n"
    "Other:\n"
    "  --timeout-ms N         give up after N ms from the first XDND message (default 30000)\n"
    "  --no-warp              do not move the pointer to the drop point\n"
    "  -v, --verbose          log the protocol on stderr\n"
    "\n"
    "Exit codes: 0 dropped and finished; 2 bad arguments; 3 no display, window or XDND-aware\n"
    "target; 4 the target refused the drop; 5 timed out; 6 other failure.\n";

Display* dpy;
Window root_win;
Window source_win;
int verbose;

static char* atom_names[A_COUNT] = {
    "XdndAware", "XdndProxy",    "XdndEnter",     "XdndPosition", "XdndStatus",       "XdndLeave",
    "XdndDrop",  "XdndFinished", "XdndSelection", "XdndTypeList", "XdndActionCopy",   "TARGETS",
    "TIMESTAMP", "INCR",         "UTF8_STRING",   "_NET_WM_NAME", "_XDND_DROP_STAMP",
};
Atom atoms[A_COUNT];

/* ---- serving the selection ---- */

struct transfer {
    Window requestor;
    Atom property, type;
    struct payload* payload;
    size_t offset;
    int active;
};

#define MAX_TRANSFERS 16
static struct transfer transfers[MAX_TRANSFERS];
static size_t incr_threshold = 262144;
static Time owner_time;

struct drop_state {
    Window target;  /* the XdndAware window */
    Window send_to; /* where the messages go: the target or its proxy */
    int version;
    int status_received, accepted, finished, finish_accepted;
    long status_action, finish_action;
    int target_gone, selection_lost;
    unsigned requests, refused_requests;
};
static struct drop_state st;

static void select_input(Window w) {
    long mask = 0;
    if (w == st.target)
        mask |= StructureNotifyMask;
    for (size_t i = 0; i < MAX_TRANSFERS; ++i)
        if (transfers[i].active && transfers[i].requestor == w)
            mask |= PropertyChangeMask;
    XSelectInput(dpy, w, mask);
}

static struct payload* payload_for(Atom target) {
    for (size_t i = 0; i < offered_count; ++i)
        if (offered[i]->atom == target)
            return offered[i];
    return NULL;
}

static int start_incr(Window requestor, Atom property, Atom type, struct payload* pl) {
    size_t slot;
    for (slot = 0; slot < MAX_TRANSFERS && transfers[slot].active; ++slot) {
    }
    if (slot == MAX_TRANSFERS)
        return 0;
    transfers[slot] = (struct transfer){requestor, property, type, pl, 0, 1};
    /* Listen for the requestor's deletions before it can see the INCR property. */
    select_input(requestor);
    long size_hint = (long)(payload_data(pl)->len > LONG_MAX ? LONG_MAX : payload_data(pl)->len);
    XChangeProperty(dpy, requestor, property, atoms[A_INCR], 32, PropModeReplace,
                    (unsigned char*)&size_hint, 1);
    ++pl->incr_served;
    return 1;
}

static void continue_incr(Window w, Atom property) {
    for (size_t i = 0; i < MAX_TRANSFERS; ++i) {
        struct transfer* t = &transfers[i];
        if (!t->active || t->requestor != w || t->property != property)
            continue;
        const struct buf* data = payload_data(t->payload);
        size_t n = data->len - t->offset;
        if (n > incr_threshold)
            n = incr_threshold;
        /* A zero-length chunk tells the requestor that the transfer is complete. */
        XChangeProperty(dpy, w, property, t->type, 8, PropModeReplace,
                        (unsigned char*)data->p + t->offset, (int)n);
        if (n) {
            t->offset += n;
            ++t->payload->chunks;
        } else {
            t->active = 0;
            select_input(w);
            logv("INCR transfer of %s to 0x%lx complete", t->payload->name, w);
        }
        XFlush(dpy);
        return;
    }
}

static void serve_request(const XSelectionRequestEvent* req) {
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.display = dpy;
    reply.requestor = req->requestor;
    reply.selection = req->selection;
    reply.target = req->target;
    reply.time = req->time;
    reply.property = None;
    /* Clients older than ICCCM 2 give no property and expect the target's name. */
    Atom property = req->property != None ? req->property : req->target;
    ++st.requests;

    char* target_name = verbose ? XGetAtomName(dpy, req->target) : NULL;
    logv("SelectionRequest from 0x%lx for %s", req->requestor, target_name ? target_name : "?");
    if (target_name)
        XFree(target_name);

    if (req->selection == atoms[A_XdndSelection] && req->owner == source_win) {
        struct payload* pl;
        if (req->target == atoms[A_TARGETS]) {
            Atom list[KNOWN_PAYLOADS + 2];
            int n = 0;
            list[n++] = atoms[A_TARGETS];
            list[n++] = atoms[A_TIMESTAMP];
            for (size_t i = 0; i < offered_count; ++i)
                list[n++] = offered[i]->atom;
            XChangeProperty(dpy, req->requestor, property, XA_ATOM, 32, PropModeReplace,
                            (unsigned char*)list, n);
            reply.property = property;
        } else if (req->target == atoms[A_TIMESTAMP]) {
            long t = (long)owner_time;
            XChangeProperty(dpy, req->requestor, property, XA_INTEGER, 32, PropModeReplace,
                            (unsigned char*)&t, 1);
            reply.property = property;
        } else if ((pl = payload_for(req->target)) != NULL) {
            const struct buf* data = payload_data(pl);
            if (data->len > incr_threshold) {
                if (start_incr(req->requestor, property, req->target, pl))
                    reply.property = property;
            } else {
                XChangeProperty(dpy, req->requestor, property, req->target, 8, PropModeReplace,
                                (unsigned char*)data->p, (int)data->len);
                reply.property = property;
            }
            if (reply.property != None)
                ++pl->served;
        }
    }
    if (reply.property == None)
        ++st.refused_requests;
    XSendEvent(dpy, req->requestor, False, NoEventMask, (XEvent*)&reply);
    XFlush(dpy);
}

static void handle_event(XEvent* ev) {
    switch (ev->type) {
    case SelectionRequest:
        serve_request(&ev->xselectionrequest);
        break;
    case SelectionClear:
        if (ev->xselectionclear.selection == atoms[A_XdndSelection])
            st.selection_lost = 1;
        break;
    case PropertyNotify:
        if (ev->xproperty.state == PropertyDelete)
            continue_incr(ev->xproperty.window, ev->xproperty.atom);
        break;
    case DestroyNotify:
        if (ev->xdestroywindow.window == st.target)
            st.target_gone = 1;
        break;
    case ClientMessage: {
        const XClientMessageEvent* cm = &ev->xclient;
        if (cm->format != 32 || (Window)cm->data.l[0] != st.target)
            break;
        if (cm->message_type == atoms[A_XdndStatus]) {
            st.status_received = 1;
            st.accepted = (int)(cm->data.l[1] & 1);
            st.status_action = cm->data.l[4];
            logv("XdndStatus: accepted=%d", st.accepted);
        } else if (cm->message_type == atoms[A_XdndFinished]) {
            st.finished = 1;
            /* Before version 5 XdndFinished carries no verdict. */
            st.finish_accepted = st.version >= 5 ? (int)(cm->data.l[1] & 1) : 1;
            st.finish_action = st.version >= 5 ? cm->data.l[2] : None;
            logv("XdndFinished: accepted=%d", st.finish_accepted);
        }
        break;
    }
    default:
        break;
    }
}

/* Handles events until *flag is set or something ends the drop; returns 0 on timeout. */
static int wait_for(const int* flag, long deadline) {
    for (;;) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            handle_event(&ev);
        }
        if (*flag || st.target_gone || st.selection_lost)
            return 1;
        long left = deadline - now_ms();
        if (left <= 0)
            return 0;
        struct pollfd pfd = {ConnectionNumber(dpy), POLLIN, 0};
        poll(&pfd, 1, left < 100 ? (int)left : 100);
    }
}

static void send_message(Atom type, long l1, long l2, long l3, long l4) {
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.display = dpy;
    /* Through a proxy the window field still names the real target. */
    ev.xclient.window = st.target;
    ev.xclient.message_type = type;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)source_win;
    ev.xclient.data.l[1] = l1;
    ev.xclient.data.l[2] = l2;
    ev.xclient.data.l[3] = l3;
    ev.xclient.data.l[4] = l4;
    XSendEvent(dpy, st.send_to, False, NoEventMask, &ev);
    XFlush(dpy);
}

static void check_alive(const char* when) {
    if (st.target_gone)
        fail(EXIT_FAILED,
             "the target window went away %s (under Wine 8 this is how the target crashing looks "
             "when the data it imported from the drop does not fit on its stack)",
             when);
    if (st.selection_lost)
        fail(EXIT_FAILED, "another client took XdndSelection %s", when);
}

static const char* atom_text(long atom, char* out, size_t size) {
    if (!atom) {
        snprintf(out, size, "None");
        return out;
    }
    char* name = XGetAtomName(dpy, (Atom)atom);
    snprintf(out, size, "%s", name ? name : "?");
    if (name)
        XFree(name);
    return out;
}

static long parse_long(const char* opt, const char* value, long min, long max) {
    char* end;
    errno = 0;
    long v = strtol(value, &end, 10);
    if (errno || end == value || *end || v < min || v > max)
        fail(EXIT_USAGE, "bad value for %s: %s", opt, value);
    return v;
}

int main(int argc, char** argv) {
    long x = -1, y = -1, timeout_ms = 30000, wait_ms = 0;
    int have_x = 0, have_y = 0, warp = 1;
    const char* window_name = NULL;
    const char* types = "text/uri-list,UTF8_STRING,text/plain;charset=utf-8,text/plain";

    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : NULL;
#define NEED_VALUE()                                                                               \
    do {                                                                                           \
        if (!next)                                                                                 \
            fail(EXIT_USAGE, "%s needs a value", a);                                               \
        ++i;                                                                                       \
    } while (0)
        if (strcmp(a, "--") == 0) {
            for (++i; i < argc; ++i)
                add_path(argv[i]);
            break;
        } else if (strcmp(a, "-h") == 0 || strcmp(a, "--help") == 0) {
            fputs(usage_text, stdout);
            return 0;
        } else if (strcmp(a, "-v") == 0 || strcmp(a, "--verbose") == 0) {
            verbose = 1;
        } else if (strcmp(a, "--no-warp") == 0) {
            warp = 0;
        } else if (strcmp(a, "--x") == 0) {
            NEED_VALUE();
            x = parse_long(a, next, -32768, 32767);
            have_x = 1;
        } else if (strcmp(a, "--y") == 0) {
            NEED_VALUE();
            y = parse_long(a, next, -32768, 32767);
            have_y = 1;
        } else if (strcmp(a, "--window-name") == 0) {
            NEED_VALUE();
            window_name = next;
        } else if (strcmp(a, "--timeout-ms") == 0) {
            NEED_VALUE();
            timeout_ms = parse_long(a, next, 1, 24L * 3600 * 1000);
        } else if (strcmp(a, "--wait-ms") == 0) {
            NEED_VALUE();
            wait_ms = parse_long(a, next, 0, 24L * 3600 * 1000);
        } else if (strcmp(a, "--incr-threshold") == 0) {
            NEED_VALUE();
            incr_threshold = (size_t)parse_long(a, next, 1, 64L * 1024 * 1024);
        } else if (strcmp(a, "--types") == 0) {
            NEED_VALUE();
            types = next;
        } else if (strcmp(a, "--paths-from") == 0) {
            NEED_VALUE();
            read_paths_file(next);
        } else if (a[0] == '-' && a[1] == '-') {
            fail(EXIT_USAGE, "unknown option %s (see --help)", a);
        } else {
            add_path(a);
        }
#undef NEED_VALUE
    }
    if (have_x != have_y)
        fail(EXIT_USAGE, "--x and --y go together");
    if (!window_name && !have_x)
        fail(EXIT_USAGE, "give --x/--y or --window-name (see --help)");
    if (!path_count)
        fail(EXIT_USAGE, "no paths to drop");
    parse_types(types);

    dpy = XOpenDisplay(NULL);
    if (!dpy)
        fail(EXIT_NO_TARGET, "cannot open X display '%s'", XDisplayName(NULL));
    XSetErrorHandler(on_x_error);
    root_win = DefaultRootWindow(dpy);
    if (XInternAtoms(dpy, atom_names, A_COUNT, False, atoms) == 0)
        fail(EXIT_FAILED, "cannot intern atoms");
    for (size_t i = 0; i < offered_count; ++i)
        offered[i]->atom = XInternAtom(dpy, offered[i]->name, False);

    Window named = None;
    if (window_name) {
        long wait_deadline = now_ms() + wait_ms;
        int matches;
        for (;;) {
            matches = 0;
            find_named(root_win, window_name, &named, &matches);
            if (matches || now_ms() >= wait_deadline)
                break;
            sleep_ms(50);
        }
        if (!matches)
            fail(EXIT_NO_TARGET, "no viewable window is named \"%s\"", window_name);
        if (matches > 1)
            fail(EXIT_NO_TARGET, "%d viewable windows are named \"%s\"", matches, window_name);
        XWindowAttributes wa;
        Window child;
        int wx, wy;
        if (!XGetWindowAttributes(dpy, named, &wa) ||
            !XTranslateCoordinates(dpy, named, root_win, 0, 0, &wx, &wy, &child))
            fail(EXIT_NO_TARGET, "window \"%s\" went away", window_name);
        if (!have_x) {
            x = wa.width / 2;
            y = wa.height / 2;
        } else if (x < 0 || y < 0 || x >= wa.width || y >= wa.height) {
            fail(EXIT_USAGE, "(%ld,%ld) is outside window \"%s\" (%dx%d)", x, y, window_name,
                 wa.width, wa.height);
        }
        x += wx;
        y += wy;
        logv("window \"%s\" is 0x%lx; drop point (%ld,%ld)", window_name, named, x, y);
    }
    int screen_w = DisplayWidth(dpy, DefaultScreen(dpy));
    int screen_h = DisplayHeight(dpy, DefaultScreen(dpy));
    if (x < 0 || y < 0 || x >= screen_w || y >= screen_h)
        fail(EXIT_USAGE, "drop point (%ld,%ld) is off the screen (%dx%d)", x, y, screen_w,
             screen_h);

    st.target = find_target_at((int)x, (int)y, &st.version);
    if (st.target == None)
        fail(EXIT_NO_TARGET, "no XdndAware window at (%ld,%ld)", x, y);
    if (named != None && !is_ancestor(named, st.target) && !is_ancestor(st.target, named))
        fail(EXIT_NO_TARGET, "window \"%s\" is covered at (%ld,%ld) by window 0x%lx", window_name,
             x, y, st.target);
    if (st.version < OLDEST_XDND_VERSION)
        fail(EXIT_NO_TARGET, "window 0x%lx speaks XDND version %d; version %d or later is needed",
             st.target, st.version, OLDEST_XDND_VERSION);
    int their_version = st.version;
    if (st.version > OUR_XDND_VERSION)
        st.version = OUR_XDND_VERSION;
    st.send_to = proxy_of(st.target);
    if (st.send_to == None)
        st.send_to = st.target;
    logv("target 0x%lx (XdndAware version %d, using %d)%s", st.target, their_version, st.version,
         st.send_to != st.target ? " through a proxy" : "");

    source_win = XCreateSimpleWindow(dpy, root_win, -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(dpy, source_win, PropertyChangeMask);
    select_input(st.target);
    if (offered_count > 3) {
        Atom list[KNOWN_PAYLOADS];
        for (size_t i = 0; i < offered_count; ++i)
            list[i] = offered[i]->atom;
        XChangeProperty(dpy, source_win, atoms[A_XdndTypeList], XA_ATOM, 32, PropModeReplace,
                        (unsigned char*)list, (int)offered_count);
    }
    owner_time = server_time();
    XSetSelectionOwner(dpy, atoms[A_XdndSelection], source_win, owner_time);
    if (XGetSelectionOwner(dpy, atoms[A_XdndSelection]) != source_win)
        fail(EXIT_FAILED, "cannot own XdndSelection");

    if (warp) {
        XWarpPointer(dpy, None, root_win, 0, 0, 0, 0, (int)x, (int)y);
        XSync(dpy, False);
    }

    /* The whole exchange is bounded from here on, whatever the target does. */
    long deadline = now_ms() + timeout_ms;
    long started = now_ms();
    long enter_flags = ((long)st.version << 24) | (offered_count > 3 ? 1 : 0);
    send_message(atoms[A_XdndEnter], enter_flags, offered_count > 0 ? (long)offered[0]->atom : 0,
                 offered_count > 1 ? (long)offered[1]->atom : 0,
                 offered_count > 2 ? (long)offered[2]->atom : 0);
    send_message(atoms[A_XdndPosition], 0, (x << 16) | (y & 0xFFFF), (long)owner_time,
                 (long)atoms[A_XdndActionCopy]);
    if (!wait_for(&st.status_received, deadline)) {
        send_message(atoms[A_XdndLeave], 0, 0, 0, 0);
        fail(EXIT_TIMEOUT, "no XdndStatus from window 0x%lx within %ld ms", st.target, timeout_ms);
    }
    check_alive("before answering XdndPosition");
    char action[128];
    if (!st.accepted) {
        send_message(atoms[A_XdndLeave], 0, 0, 0, 0);
        fail(EXIT_REFUSED, "window 0x%lx refused the drop at (%ld,%ld) (XdndStatus not accepted)",
             st.target, x, y);
    }
    logv("accepted with action %s", atom_text(st.status_action, action, sizeof action));

    send_message(atoms[A_XdndDrop], 0, (long)owner_time, 0, 0);
    if (!wait_for(&st.finished, deadline))
        fail(EXIT_TIMEOUT, "no XdndFinished from window 0x%lx within %ld ms", st.target,
             timeout_ms);
    check_alive("before finishing the drop");
    long elapsed = now_ms() - started;
    if (!st.finish_accepted)
        fail(EXIT_REFUSED, "window 0x%lx finished the drop without accepting it", st.target);
    for (size_t i = 0; i < MAX_TRANSFERS; ++i)
        if (transfers[i].active)
            fail(EXIT_FAILED, "the target finished before fetching all of %s",
                 transfers[i].payload->name);

    printf("dropped %zu item(s) on window 0x%lx at (%ld,%ld): XDND version %d, action %s, %ld ms\n",
           path_count, st.target, x, y, st.version,
           atom_text(st.version >= 5 ? st.finish_action : st.status_action, action, sizeof action),
           elapsed);
    for (size_t i = 0; i < offered_count; ++i) {
        const struct payload* pl = offered[i];
        if (!pl->served)
            continue;
        printf("served %s: %u time(s), %zu bytes, %u incrementally in %u chunk(s)\n", pl->name,
               pl->served, pl->data.len, pl->incr_served, pl->chunks);
    }
    if (st.refused_requests)
        printf("refused %u request(s)\n", st.refused_requests);
    XCloseDisplay(dpy);
    return EXIT_DROPPED;
}
