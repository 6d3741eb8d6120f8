// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// walkfloor PASSES: the floor of the window walk, in plain C over xcb, on $DISPLAY. From
// the root down, one batch per level of the tree: for every window of the level it sends
// QueryTree, WM_NAME, _NET_WM_NAME, WM_CLASS and the X-Resource client ids before it
// reads any reply, so the round trips grow with the depth of the tree, not its size. One
// untimed pass, then PASSES timed ones. Prints "MILLISECONDS WINDOWS", the median pass.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include "procfloor.h"

struct Cookies {
    xcb_query_tree_cookie_t tree;
    xcb_get_property_cookie_t name;
    xcb_get_property_cookie_t netName;
    xcb_get_property_cookie_t wmClass;
    xcb_res_query_client_ids_cookie_t ids;
};

struct Walk {
    xcb_connection_t* x;
    xcb_window_t root;
    xcb_atom_t netName;
    xcb_atom_t utf8;
    xcb_window_t* level;
    xcb_window_t* next;
    struct Cookies* cookies;
    size_t capacity;
};

static xcb_atom_t internAtom(xcb_connection_t* x, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, (uint16_t)strlen(name), name), NULL);
    const xcb_atom_t atom = reply != NULL ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return atom;
}

static void reserve(struct Walk* walk, size_t count) {
    if (count <= walk->capacity)
        return;
    walk->capacity = count * 2;
    walk->level = realloc(walk->level, walk->capacity * sizeof *walk->level);
    walk->next = realloc(walk->next, walk->capacity * sizeof *walk->next);
    walk->cookies = realloc(walk->cookies, walk->capacity * sizeof *walk->cookies);
}

// The windows below the root that the walk met.
static size_t walkTree(struct Walk* walk) {
    size_t seen = 0;
    size_t levelSize = 1;
    reserve(walk, 1);
    walk->level[0] = walk->root;
    while (levelSize > 0) {
        for (size_t i = 0; i < levelSize; ++i) {
            const xcb_window_t window = walk->level[i];
            const xcb_res_client_id_spec_t spec = {window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            struct Cookies* c = &walk->cookies[i];
            c->tree = xcb_query_tree_unchecked(walk->x, window);
            c->name = xcb_get_property_unchecked(walk->x, 0, window, XCB_ATOM_WM_NAME,
                                                 XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
            c->netName =
                xcb_get_property_unchecked(walk->x, 0, window, walk->netName, walk->utf8, 0, 256);
            c->wmClass = xcb_get_property_unchecked(walk->x, 0, window, XCB_ATOM_WM_CLASS,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
            c->ids = xcb_res_query_client_ids_unchecked(walk->x, 1, &spec);
        }
        size_t nextSize = 0;
        for (size_t i = 0; i < levelSize; ++i) {
            const struct Cookies c = walk->cookies[i];  // reserve() may move the table
            xcb_query_tree_reply_t* tree = xcb_query_tree_reply(walk->x, c.tree, NULL);
            if (tree != NULL) {
                const int count = xcb_query_tree_children_length(tree);
                reserve(walk, nextSize + (size_t)count + levelSize);
                memcpy(walk->next + nextSize, xcb_query_tree_children(tree),
                       (size_t)count * sizeof(xcb_window_t));
                nextSize += (size_t)count;
            }
            free(tree);
            free(xcb_get_property_reply(walk->x, c.name, NULL));
            free(xcb_get_property_reply(walk->x, c.netName, NULL));
            free(xcb_get_property_reply(walk->x, c.wmClass, NULL));
            free(xcb_res_query_client_ids_reply(walk->x, c.ids, NULL));
        }
        seen += nextSize;
        xcb_window_t* swap = walk->level;
        walk->level = walk->next;
        walk->next = swap;
        levelSize = nextSize;
    }
    return seen;
}

int main(int argc, char** argv) {
    const int passes = argc > 1 ? atoi(argv[1]) : 5;
    struct Walk walk = {0};
    walk.x = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(walk.x)) {
        fprintf(stderr, "walkfloor: no X server at $DISPLAY\n");
        return 1;
    }
    walk.root = xcb_setup_roots_iterator(xcb_get_setup(walk.x)).data->root;
    walk.netName = internAtom(walk.x, "_NET_WM_NAME");
    walk.utf8 = internAtom(walk.x, "UTF8_STRING");
    double* times = calloc((size_t)(passes > 0 ? passes : 1), sizeof *times);
    if (times == NULL)
        return 1;
    size_t seen = walkTree(&walk);
    for (int i = 0; i < passes; ++i) {
        const double start = floorNow();
        seen = walkTree(&walk);
        times[i] = floorNow() - start;
    }
    printf("%.3f %zu\n", floorMedian(times, passes), seen);
    free(times);
    free(walk.level);
    free(walk.next);
    free(walk.cookies);
    xcb_disconnect(walk.x);
    return 0;
}
