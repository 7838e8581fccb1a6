/*
 * xdnd_drop's paths and the payloads it serves for them: a URI list, path lines, URI lines.
 */
#define _POSIX_C_SOURCE 200809L

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "xdnd_drop.h"

void logv(const char* fmt, ...) {
    if (!verbose)
        return;
    va_list ap;
    va_start(ap, fmt);
    fputs("xdnd_drop: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
}

void fail(int code, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    fputs("xdnd_drop: error: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
    exit(code);
}

long now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

void sleep_ms(long ms) {
    struct timespec ts = {ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

void buf_add(struct buf* b, const void* data, size_t n) {
    if (b->len + n + 1 > b->cap) {
        size_t cap = b->cap ? b->cap : 4096;
        while (cap < b->len + n + 1)
            cap *= 2;
        char* p = realloc(b->p, cap);
        if (!p)
            fail(EXIT_FAILED, "out of memory");
        b->p = p;
        b->cap = cap;
    }
    memcpy(b->p + b->len, data, n);
    b->len += n;
    b->p[b->len] = '\0';
}

void buf_str(struct buf* b, const char* s) {
    buf_add(b, s, strlen(s));
}

char** paths;
size_t path_count;
static size_t path_cap;

void add_path(const char* p) {
    if (p[0] != '/')
        fail(EXIT_USAGE, "not an absolute path: %s", p);
    if (path_count == path_cap) {
        path_cap = path_cap ? path_cap * 2 : 64;
        paths = realloc(paths, path_cap * sizeof *paths);
        if (!paths)
            fail(EXIT_FAILED, "out of memory");
    }
    paths[path_count++] = (char*)p;
}

void read_paths_file(const char* name) {
    FILE* f = strcmp(name, "-") == 0 ? stdin : fopen(name, "rb");
    if (!f)
        fail(EXIT_USAGE, "cannot open %s: %s", name, strerror(errno));
    struct buf b = {0};
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        buf_add(&b, chunk, n);
    if (ferror(f))
        fail(EXIT_USAGE, "cannot read %s", name);
    if (f != stdin)
        fclose(f);
    /* The buffer is kept for the life of the process: the paths point into it. */
    for (size_t start = 0; start < b.len;) {
        size_t end = start + strlen(b.p + start);
        if (end > start)
            add_path(b.p + start);
        start = end + 1;
    }
}

/* RFC 3986 leaves only the unreserved characters and the segment separators as they are;
 * escaping everything else is always valid and keeps blanks, '%', '#' and non-ASCII bytes
 * (UTF-8 names) unambiguous for the receiver. */
static void add_file_uri(struct buf* b, const char* path) {
    static const char hex[] = "0123456789ABCDEF";
    buf_str(b, "file://");
    for (const unsigned char* s = (const unsigned char*)path; *s; ++s) {
        unsigned char c = *s;
        int plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            buf_add(b, &c, 1);
        } else {
            char esc[3] = {'%', hex[c >> 4], hex[c & 15]};
            buf_add(b, esc, 3);
        }
    }
}

struct payload known_payloads[KNOWN_PAYLOADS] = {
    {"text/uri-list", URI_LIST, 0, {0}, 0, 0, 0, 0},
    {"UTF8_STRING", PATH_LINES, 0, {0}, 0, 0, 0, 0},
    {"text/plain;charset=utf-8", PATH_LINES, 0, {0}, 0, 0, 0, 0},
    /* Latin-1 targets: the escaped URIs are plain ASCII whatever the names are. */
    {"text/plain", URI_LINES, 0, {0}, 0, 0, 0, 0},
    {"STRING", URI_LINES, 0, {0}, 0, 0, 0, 0},
};
_Static_assert(sizeof known_payloads / sizeof known_payloads[0] == KNOWN_PAYLOADS,
               "KNOWN_PAYLOADS counts known_payloads");

struct payload* offered[KNOWN_PAYLOADS];
size_t offered_count;

const struct buf* payload_data(struct payload* pl) {
    if (pl->built)
        return &pl->data;
    for (size_t i = 0; i < path_count; ++i) {
        switch (pl->kind) {
        case URI_LIST:
            add_file_uri(&pl->data, paths[i]);
            buf_str(&pl->data, "\r\n");
            break;
        case PATH_LINES:
            if (i)
                buf_str(&pl->data, "\n");
            buf_str(&pl->data, paths[i]);
            break;
        case URI_LINES:
            if (i)
                buf_str(&pl->data, "\n");
            add_file_uri(&pl->data, paths[i]);
            break;
        }
    }
    pl->built = 1;
    return &pl->data;
}

void parse_types(const char* list) {
    offered_count = 0;
    const char* s = list;
    while (*s) {
        const char* comma = strchr(s, ',');
        size_t n = comma ? (size_t)(comma - s) : strlen(s);
        size_t k;
        for (k = 0; k < KNOWN_PAYLOADS; ++k)
            if (strlen(known_payloads[k].name) == n && strncmp(known_payloads[k].name, s, n) == 0)
                break;
        if (k == KNOWN_PAYLOADS)
            fail(EXIT_USAGE, "unknown type in --types: %.*s", (int)n, s);
        for (size_t j = 0; j < offered_count; ++j)
            if (offered[j] == &known_payloads[k])
                fail(EXIT_USAGE, "type given twice in --types: %.*s", (int)n, s);
        offered[offered_count++] = &known_payloads[k];
        s += n;
        if (*s == ',')
            ++s;
    }
    if (!offered_count)
        fail(EXIT_USAGE, "--types is empty");
}
