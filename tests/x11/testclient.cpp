// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors

// An X client for the window tests. It builds known windows on $DISPLAY, writes their
// ids ("NAME 0xID" lines) to a file (complete when it appears), then waits to be ended.
//   testclient hierarchy FILE SPOOFED_PID   A (topmost; children A1 over A2; A1 has A1a)
//                                           and the hidden B, with odd titles and classes
//   testclient child FILE PARENT            a child at the bottom of PARENT, and a
//                                           top-level of its own
//   testclient toplevels FILE COUNT         T1..TCOUNT, mapped, the last one topmost
//   testclient tree FILE TOPS KIDS          T1..TTOPS, mapped, each with KIDS children that
//                                           have one child each
//   testclient churn FILE                   the mapped top-level S (children S1 over S2; S1
//                                           has S1a), then creates and destroys top-levels
//                                           and their children without end (each round's
//                                           live until the next has made its own), counting
//                                           the windows made in S's PELORUS_CHURN_COUNT
//   testclient claim FILE PID MACHINE       a mapped top-level C whose _NET_WM_PID says
//                                           PID and whose WM_CLIENT_MACHINE says MACHINE
//   testclient chain FILE PARENT DEPTH      DEPTH windows nested one in the other (C1 the
//                                           outermost, a child of PARENT; CDEPTH the
//                                           innermost), all mapped
//   testclient statechildren FILE COUNT     the mapped top-level W with COUNT mapped
//                                           children (C1 the first), each carrying WM_STATE
//                                           as a manager writes it on a client it manages
//   testclient hidden FILE COUNT            T1..TCOUNT as toplevels makes them, none mapped
//   testclient grabber FILE HOLD GAP        no window; grabs the server, publishes, and
//                                           holds the grab for HOLD ms and lets it go for
//                                           GAP ms, over and over
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

class Client {
public:
    Client(xcb_connection_t* x, xcb_screen_t* screen) : m_x(x), m_screen(screen) {}

    xcb_atom_t Atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_x, xcb_intern_atom(m_x, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    }

    xcb_window_t Create(xcb_window_t parent, int x, int y, int width, int height) {
        const xcb_window_t window = xcb_generate_id(m_x);
        const uint32_t values[] = {m_screen->white_pixel};
        xcb_create_window(m_x, XCB_COPY_FROM_PARENT, window, parent, static_cast<int16_t>(x),
                          static_cast<int16_t>(y), static_cast<uint16_t>(width),
                          static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          m_screen->root_visual, XCB_CW_BACK_PIXEL, values);
        return window;
    }

    void SetBytes(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                  const std::string& bytes) {
        xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, window, property, type, 8,
                            static_cast<uint32_t>(bytes.size()), bytes.data());
    }

    void SetClass(xcb_window_t window, const std::string& bytes) {
        SetBytes(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, bytes);
    }

    void SetNetName(xcb_window_t window, const std::string& bytes) {
        SetBytes(window, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"), bytes);
    }

    void Sync() { std::free(xcb_get_input_focus_reply(m_x, xcb_get_input_focus(m_x), nullptr)); }

    void Publish(const std::string& file,
                 const std::vector<std::pair<std::string, xcb_window_t>>& ids) {
        Sync();
        const std::string partial = file + ".part";
        {
            std::ofstream out(partial);
            for (const auto& [name, id] : ids)
                out << name << " 0x" << std::hex << id << "\n";
        }
        std::rename(partial.c_str(), file.c_str());
    }

    int Hierarchy(const std::string& file, uint32_t spoofedPid) {
        const xcb_window_t b = Create(m_screen->root, 400, 10, 200, 150);
        SetNetName(b, "B");
        SetClass(b, std::string("b\0TestB\0", 8));
        xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, b, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL,
                            32, 1, &spoofedPid);

        const xcb_window_t a = Create(m_screen->root, 10, 10, 300, 200);
        std::string title = "A";
        for (int i = 0; i < 299; ++i)
            title += "\xC3\xA9";
        SetNetName(a, title);
        SetClass(a, std::string("a\0TestA\0", 8));

        const xcb_window_t a2 = Create(a, 10, 100, 50, 50);
        SetNetName(a2, "A2\xFF\xFE");  // not UTF-8; no WM_CLASS at all
        const xcb_window_t a1 = Create(a, 10, 10, 80, 80);
        SetBytes(a1, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "A1");
        SetClass(a1, std::string("a1\0TestA1", 9));  // no terminating NUL
        const xcb_window_t a1a = Create(a1, 5, 5, 20, 20);
        SetClass(a1a, std::string("a1a\0TestA1a\0", 12));  // no title

        xcb_map_subwindows(m_x, a1);
        xcb_map_subwindows(m_x, a);
        xcb_map_window(m_x, a);
        // A manager may stack its new frame for A below the unmapped B: put B lowest.
        const uint32_t below = XCB_STACK_MODE_BELOW;
        xcb_configure_window(m_x, b, XCB_CONFIG_WINDOW_STACK_MODE, &below);
        Publish(file, {{"A", a}, {"A1", a1}, {"A2", a2}, {"A1a", a1a}, {"B", b}});
        return 0;
    }

    int Child(const std::string& file, xcb_window_t parent) {
        const xcb_window_t child = Create(parent, 100, 10, 30, 30);
        SetNetName(child, "F");
        SetClass(child, std::string("f\0TestF\0", 8));
        const uint32_t below = XCB_STACK_MODE_BELOW;
        xcb_configure_window(m_x, child, XCB_CONFIG_WINDOW_STACK_MODE, &below);
        xcb_map_window(m_x, child);
        const xcb_window_t own = Create(m_screen->root, 600, 300, 100, 100);
        SetNetName(own, "Other");
        xcb_map_window(m_x, own);
        Publish(file, {{"F", child}, {"O", own}});
        return 0;
    }

    int TopLevels(const std::string& file, int count, bool mapped = true) {
        std::vector<std::pair<std::string, xcb_window_t>> ids;
        for (int i = 1; i <= count; ++i) {
            const xcb_window_t window = Create(m_screen->root, 50 * i, 40 * i, 200, 150);
            const std::string name = "T" + std::to_string(i);
            SetNetName(window, name);
            SetClass(window, name + std::string("\0Test\0", 6));
            if (mapped)
                xcb_map_window(m_x, window);
            ids.emplace_back(name, window);
        }
        Publish(file, ids);
        return 0;
    }

    int Chain(const std::string& file, xcb_window_t parent, int depth) {
        std::vector<std::pair<std::string, xcb_window_t>> ids;
        xcb_window_t outer = parent;
        for (int level = 1; level <= depth; ++level) {
            outer = Create(outer, 0, 0, 1, 1);
            xcb_map_window(m_x, outer);
            if (level == 1 || level == depth)
                ids.emplace_back("C" + std::to_string(level), outer);
            // Keeps the requests the server has not read yet few.
            if (level % 1000 == 0)
                Sync();
        }
        Publish(file, ids);
        return 0;
    }

    int StateChildren(const std::string& file, int count) {
        const xcb_window_t top = Create(m_screen->root, 100, 100, 300, 200);
        SetNetName(top, "W");
        const xcb_atom_t wmState = Atom("WM_STATE");
        const uint32_t normal[] = {1, XCB_WINDOW_NONE};
        std::vector<std::pair<std::string, xcb_window_t>> ids{{"W", top}};
        for (int i = 1; i <= count; ++i) {
            const xcb_window_t child = Create(top, i % 30 * 10, i / 30 * 10, 8, 8);
            xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, child, wmState, wmState, 32, 2, normal);
            if (i == 1)
                ids.emplace_back("C1", child);
        }
        xcb_map_subwindows(m_x, top);
        xcb_map_window(m_x, top);
        Publish(file, ids);
        return 0;
    }

    int Grabber(const std::string& file, int hold, int gap) {
        const auto sleepFor = [](int milliseconds) {
            const timespec time{milliseconds / 1000, milliseconds % 1000 * 1000000L};
            nanosleep(&time, nullptr);
        };
        // The file appears once the first grab holds.
        xcb_grab_server(m_x);
        Publish(file, {});
        for (;;) {
            sleepFor(hold);
            xcb_ungrab_server(m_x);
            Sync();
            if (xcb_connection_has_error(m_x) != 0)
                return 1;
            sleepFor(gap);
            xcb_grab_server(m_x);
            Sync();
        }
    }

    int Claim(const std::string& file, uint32_t pid, const std::string& machine) {
        const xcb_window_t window = Create(m_screen->root, 300, 300, 120, 90);
        SetNetName(window, "C");
        xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, window, Atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
        SetBytes(window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, machine);
        xcb_map_window(m_x, window);
        Publish(file, {{"C", window}});
        return 0;
    }

    int Tree(const std::string& file, int tops, int kids) {
        std::vector<std::pair<std::string, xcb_window_t>> ids;
        for (int i = 1; i <= tops; ++i) {
            const xcb_window_t top = Create(m_screen->root, 20 * i, 20 * i, 300, 200);
            SetNetName(top, "T" + std::to_string(i));
            for (int k = 0; k < kids; ++k) {
                const xcb_window_t kid = Create(top, k % 100, k / 100, 2, 2);
                Create(kid, 0, 0, 1, 1);
                xcb_map_subwindows(m_x, kid);
            }
            xcb_map_subwindows(m_x, top);
            xcb_map_window(m_x, top);
            ids.emplace_back("T" + std::to_string(i), top);
        }
        Publish(file, ids);
        return 0;
    }

    int Churn(const std::string& file) {
        const xcb_window_t stable = Create(m_screen->root, 500, 500, 100, 100);
        const xcb_window_t second = Create(stable, 0, 0, 50, 50);
        const xcb_window_t first = Create(stable, 10, 10, 50, 50);
        const xcb_window_t inner = Create(first, 0, 0, 5, 5);
        xcb_map_subwindows(m_x, first);
        xcb_map_subwindows(m_x, stable);
        xcb_map_window(m_x, stable);
        const xcb_atom_t counter = Atom("PELORUS_CHURN_COUNT");
        Publish(file, {{"S", stable}, {"S1", first}, {"S2", second}, {"S1a", inner}});
        std::uint32_t windowsMade = 0;
        // Each round's windows live until the next round has made its own.
        std::vector<xcb_window_t> made;
        for (unsigned round = 0;; ++round) {
            std::vector<xcb_window_t> previous = std::move(made);
            made.clear();
            for (int i = 0; i < 20; ++i) {
                const xcb_window_t top = Create(m_screen->root, i, i, 40, 40);
                for (int k = 0; k < 5; ++k)
                    made.push_back(Create(top, k, k, 5, 5));
                if (i % 2 == 0)
                    xcb_map_window(m_x, top);
                made.push_back(top);
                const uint32_t mode = round % 2 != 0 ? XCB_STACK_MODE_BELOW : XCB_STACK_MODE_ABOVE;
                xcb_configure_window(m_x, top, XCB_CONFIG_WINDOW_STACK_MODE, &mode);
            }
            windowsMade += static_cast<std::uint32_t>(made.size());
            xcb_change_property(m_x, XCB_PROP_MODE_REPLACE, stable, counter, XCB_ATOM_CARDINAL, 32,
                                1, &windowsMade);
            for (const xcb_window_t window : previous)
                xcb_destroy_window(m_x, window);
            Sync();
            if (xcb_connection_has_error(m_x) != 0)
                return 1;
        }
    }

private:
    xcb_connection_t* m_x;
    xcb_screen_t* m_screen;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    int screenNumber = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x) != 0)
        return 3;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    Client client(x, screens.data);

    const std::string mode = argv[1];
    const std::string file = argv[2];
    int result = 2;
    if (mode == "hierarchy" && argc == 4) {
        result = client.Hierarchy(file, static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 0)));
    } else if (mode == "child" && argc == 4) {
        result = client.Child(file, static_cast<xcb_window_t>(std::strtoul(argv[3], nullptr, 0)));
    } else if (mode == "toplevels" && argc == 4) {
        result = client.TopLevels(file, std::atoi(argv[3]));
    } else if (mode == "claim" && argc == 5) {
        result =
            client.Claim(file, static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 0)), argv[4]);
    } else if (mode == "tree" && argc == 5) {
        result = client.Tree(file, std::atoi(argv[3]), std::atoi(argv[4]));
    } else if (mode == "churn") {
        result = client.Churn(file);
    } else if (mode == "chain" && argc == 5) {
        result = client.Chain(file, static_cast<xcb_window_t>(std::strtoul(argv[3], nullptr, 0)),
                              std::atoi(argv[4]));
    } else if (mode == "statechildren" && argc == 4) {
        result = client.StateChildren(file, std::atoi(argv[3]));
    } else if (mode == "hidden" && argc == 4) {
        result = client.TopLevels(file, std::atoi(argv[3]), false);
    } else if (mode == "grabber" && argc == 5) {
        result = client.Grabber(file, std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (result != 0)
        return result;
    for (;;)
        pause();
}
