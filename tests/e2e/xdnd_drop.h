/*
 * What the parts of xdnd_drop share: the display and the source window, the atoms, the paths
 * and the payloads offered for them, and the helpers every part uses.
 */
#ifndef XDND_DROP_H
#define XDND_DROP_H

#include <X11/Xlib.h>
#include <stddef.h>

enum {
    EXIT_DROPPED = 0,
    EXIT_USAGE = 2,
    EXIT_NO_TARGET = 3,
    EXIT_REFUSED = 4,
    EXIT_TIMEOUT = 5,
    EXIT_FAILED = 6
};

/* The newest protocol version this source speaks. */
#define OUR_XDND_VERSION 5
/* Before version 3 a target may not fetch the data through XdndSelection. */
#define OLDEST_XDND_VERSION 3

extern Display* dpy;
extern Window root_win;
extern Window source_win;
extern int verbose;

enum {
    A_XdndAware,
    A_XdndProxy,
    A_XdndEnter,
    A_XdndPosition,
    A_XdndStatus,
    A_XdndLeave,
    A_XdndDrop,
    A_XdndFinished,
    A_XdndSelection,
    A_XdndTypeList,
    A_XdndActionCopy,
    A_TARGETS,
    A_TIMESTAMP,
    A_INCR,
    A_UTF8_STRING,
    A_NET_WM_NAME,
    A_STAMP,
    A_COUNT
};
extern Atom atoms[A_COUNT];

void logv(const char* fmt, ...);
void fail(int code, const char* fmt, ...);
long now_ms(void);
void sleep_ms(long ms);

/* A growable byte buffer, always NUL-terminated. */
struct buf {
    char* p;
    size_t len, cap;
};
void buf_add(struct buf* b, const void* data, size_t n);
void buf_str(struct buf* b, const char* s);

/* The paths to drop (xdnd_payloads.c). */
extern char** paths;
extern size_t path_count;
void add_path(const char* p);
void read_paths_file(const char* name);

enum payload_kind { URI_LIST, PATH_LINES, URI_LINES };

struct payload {
    const char* name;
    enum payload_kind kind;
    Atom atom;
    struct buf data;
    int built;
    unsigned served, incr_served, chunks;
};

#define KNOWN_PAYLOADS 5
extern struct payload known_payloads[KNOWN_PAYLOADS];
/* What --types offers, in its order. */
extern struct payload* offered[KNOWN_PAYLOADS];
extern size_t offered_count;
const struct buf* payload_data(struct payload* pl);
void parse_types(const char* list);

/* Windows and their properties (xdnd_windows.c). */
extern unsigned long x_errors;
extern char last_x_error[160];
int on_x_error(Display* d, XErrorEvent* e);
unsigned char* get_prop(Window w, Atom prop, Atom want_type, int want_format, unsigned long* count);
int xdnd_version(Window w);
Window proxy_of(Window w);
int is_viewable(Window w);
void find_named(Window w, const char* name, Window* found, int* matches);
int is_ancestor(Window ancestor, Window w);
Window find_target_at(int x, int y, int* version);
Time server_time(void);

#endif
