// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/xcbwindowsystem.h"

#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>
#include <utility>

#include "platform/text/windowtext.h"
#include "platform/x11/windowmanager.h"
#include "platform/x11/xcbconnection.h"

namespace pelorus::platform {
namespace {

using x11::CallScope;
using x11::Connection;
using x11::Reply;

/// Property lengths asked for, in 32-bit units: enough for 254 code points of 4 bytes,
/// and for a class after a long instance name.
constexpr std::uint32_t kTitleUnits = 256;
constexpr std::uint32_t kClassUnits = 1024;
constexpr std::uint32_t kHostUnits = 64;

/// The requests asked per window, in bytes, for the batches of kRequestBatchBytes.
constexpr std::size_t kPropertyRequest = sizeof(xcb_get_property_request_t);
constexpr std::size_t kTreeBatch = x11::batchOf(sizeof(xcb_query_tree_request_t));
constexpr std::size_t kOwnerBatch = x11::batchOf(
    sizeof(xcb_get_window_attributes_request_t) + sizeof(xcb_res_query_client_ids_request_t) +
    sizeof(xcb_res_client_id_spec_t) + 2 * kPropertyRequest);
constexpr std::size_t kTextBatch = x11::batchOf(3 * kPropertyRequest);

/// This machine's name, as clients write it into WM_CLIENT_MACHINE.
std::string hostName() {
    std::array<char, HOST_NAME_MAX + 1> name{};
    if (gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return name.data();
}

/// Which owners the server's answers give: its PIDs where they are the viewer's kind; else
/// (a viewer the server cannot name, over the network) only the claims of clients on this
/// host; none where it counts processes in another PID namespace.
struct OwnerSource {
    bool foreign = false;
    bool serverPids = false;
    std::string host;
};

OwnerSource ownerSource(const Connection& connection) {
    return {connection.pidsForeign(), connection.knowsClientPids() && connection.pidsAreOurs(),
            hostName()};
}

/// The questions that name a window's owner. The claim and the machine are used only where
/// the server names no PID.
struct OwnerQuestions {
    xcb_get_window_attributes_cookie_t exists;
    xcb_res_query_client_ids_cookie_t ids;
    xcb_get_property_cookie_t claim;
    xcb_get_property_cookie_t machine;
};

OwnerQuestions askOwner(const Connection& connection, WindowHandle window,
                        const OwnerSource& source) {
    OwnerQuestions asked{};
    asked.exists = xcb_get_window_attributes_unchecked(connection.xcb(), window);
    if (source.serverPids) {
        const xcb_res_client_id_spec_t query{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        asked.ids = xcb_res_query_client_ids_unchecked(connection.xcb(), 1, &query);
    }
    asked.claim = connection.askProperty(window, x11::NetWmPid, XCB_ATOM_CARDINAL, 1);
    asked.machine =
        connection.askProperty(window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, kHostUnits);
    return asked;
}

Pid readOwner(const Connection& connection, WindowHandle window, const OwnerQuestions& asked,
              const OwnerSource& source) {
    const bool exists = connection.attributes(asked.exists) != nullptr;
    Pid pid = source.serverPids ? x11::clientPid(connection, asked.ids) : 0;
    const auto claim = connection.property(asked.claim);
    const auto machine = connection.property(asked.machine);
    if (pid == 0 && !source.host.empty() && x11::propertyBytes(machine.get()) == source.host)
        pid = static_cast<Pid>(x11::firstCardinal(claim.get(), XCB_ATOM_CARDINAL));
    return exists && window != XCB_WINDOW_NONE && !source.foreign ? pid : 0;
}

/// The questions of one command, sent in one batch: the owner of the check's window, the
/// facts of the window acted on and, for a hide, its frame place.
struct CommandQuestions {
    OwnerQuestions owner;
    x11::FactQuestions facts;
    std::optional<x11::PlaceQuestions> place;
};

CommandQuestions askCommand(const Connection& connection, WindowHandle window,
                            const WindowCheck& check, const OwnerSource& source, bool place) {
    CommandQuestions asked{askOwner(connection, check.window, source),
                           x11::askFacts(connection, window), std::nullopt};
    if (place)
        asked.place = x11::askPlace(connection, window);
    return asked;
}

/// The facts of the window when the check holds, read from the answers to askCommand;
/// nullopt when it fails or the window has gone. The process is asked after the server has
/// answered: one that still runs then held its PID all along, so the creator the server
/// named was that process.
std::optional<x11::WindowFacts> checkedFacts(const Connection& connection, WindowHandle window,
                                             const WindowCheck& check,
                                             const CommandQuestions& asked,
                                             const OwnerSource& source) {
    const Pid owner = readOwner(connection, check.window, asked.owner, source);
    const x11::WindowFacts facts = x11::readFacts(connection, window, asked.facts);
    if (check.creator == 0 || owner != check.creator || !facts.exists || check.process == nullptr ||
        !check.process->stillRunning()) {
        return std::nullopt;
    }
    return facts;
}

/// The facts of the window for a Show or a Raise, asked and read in one batch; nullopt
/// when the check fails or the window has gone.
std::optional<x11::WindowFacts> factsToShow(const Connection& connection, WindowHandle window,
                                            const WindowCheck& check) {
    const OwnerSource source = ownerSource(connection);
    return checkedFacts(connection, window, check,
                        askCommand(connection, window, check, source, false), source);
}

/// Lets the replies to questions that turned out not to be needed go.
void discardPlace(const Connection& connection, const x11::PlaceQuestions& asked) {
    xcb_discard_reply(connection.xcb(), asked.geometry.sequence);
    xcb_discard_reply(connection.xcb(), asked.corner.sequence);
    xcb_discard_reply(connection.xcb(), asked.extents.sequence);
}

void restackAbove(const Connection& connection, WindowHandle window) {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(connection.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
}

}  // namespace

XcbWindowSystem::XcbWindowSystem(std::string displayName) : m_displayName(std::move(displayName)) {}

XcbWindowSystem::~XcbWindowSystem() {
    const x11::SigpipeGuard guard;
    m_connection.reset();
}

std::size_t XcbWindowSystem::takeWaitingEvents() {
    const x11::SigpipeGuard guard;
    return m_connection != nullptr && !m_connection->broken() ? m_connection->discardEvents() : 0;
}

std::size_t XcbWindowSystem::roundTrips() const {
    return m_connection != nullptr ? m_connection->roundTrips() : 0;
}

WindowHandle XcbWindowSystem::desktop() {
    if (deadlinePassed())
        return 0;
    bool live = false;
    {
        // One round trip tells a live server from one that has gone quietly.
        const CallScope scope(m_connection, deadline());
        live = scope.connection() != nullptr && scope.connection()->answers();
    }
    // An answer cut short by the action's deadline says nothing about the server.
    if (deadlinePassed())
        return 0;
    const x11::SigpipeGuard guard;
    if (!live)
        m_connection.reset();
    if (m_connection == nullptr) {
        m_connection = Connection::open(m_displayName, deadline());
        // Places remembered on another server name other windows.
        m_hiddenPlaces.clear();
    }
    return m_connection != nullptr ? m_connection->root() : 0;
}

bool XcbWindowSystem::ownersComparable() {
    return m_connection == nullptr || !m_connection->pidsForeign();
}

std::vector<std::vector<WindowHandle>> XcbWindowSystem::children(
    std::span<const WindowHandle> parents) {
    const CallScope scope(m_connection, deadline());
    std::vector<std::vector<WindowHandle>> result(parents.size());
    const Connection* connection = scope.connection();
    if (connection == nullptr)
        return result;
    std::vector<xcb_query_tree_cookie_t> cookies;
    for (std::size_t first = 0; first < parents.size() && connection->usable();
         first += kTreeBatch) {
        const std::size_t end = std::min(parents.size(), first + kTreeBatch);
        cookies.clear();
        for (std::size_t i = first; i < end; ++i)
            cookies.push_back(xcb_query_tree_unchecked(connection->xcb(), parents[i]));
        for (std::size_t i = first; i < end; ++i) {
            const auto tree = connection->tree(cookies[i - first]);
            if (tree == nullptr || parents[i] == XCB_WINDOW_NONE)
                continue;
            const xcb_window_t* kids = xcb_query_tree_children(tree.get());
            const int count = xcb_query_tree_children_length(tree.get());
            // The server lists children bottom to top; the viewer wants topmost first.
            result[i].assign(std::make_reverse_iterator(kids + count),
                             std::make_reverse_iterator(kids));
        }
    }
    // Without a window manager there are no frames: every child of the root is itself,
    // and a search of all their descendants for WM_STATE would find nothing.
    const bool rootAsked =
        std::find(parents.begin(), parents.end(), connection->root()) != parents.end();
    if (rootAsked && connection->usable() && x11::managerRuns(*connection)) {
        for (std::size_t i = 0; i < parents.size(); ++i) {
            if (parents[i] == connection->root() && !result[i].empty())
                result[i] = x11::clientWindows(*connection, std::move(result[i]));
        }
    }
    return result;
}

std::vector<Pid> XcbWindowSystem::owners(std::span<const WindowHandle> windows) {
    const CallScope scope(m_connection, deadline());
    std::vector<Pid> result(windows.size(), 0);
    const Connection* connection = scope.connection();
    // PIDs of another namespace would name unrelated processes of the viewer's list.
    if (connection == nullptr || connection->pidsForeign())
        return result;
    const OwnerSource source = ownerSource(*connection);
    // The questions go out in batches: one round trip each.
    std::vector<OwnerQuestions> cookies;
    for (std::size_t first = 0; first < windows.size() && connection->usable();
         first += kOwnerBatch) {
        const std::size_t end = std::min(windows.size(), first + kOwnerBatch);
        cookies.clear();
        for (std::size_t i = first; i < end; ++i)
            cookies.push_back(askOwner(*connection, windows[i], source));
        for (std::size_t i = first; i < end; ++i)
            result[i] = readOwner(*connection, windows[i], cookies[i - first], source);
    }
    return result;
}

std::vector<WindowText> XcbWindowSystem::texts(std::span<const WindowHandle> windows) {
    const CallScope scope(m_connection, deadline());
    std::vector<WindowText> result(windows.size());
    const Connection* connection = scope.connection();
    if (connection == nullptr)
        return result;
    struct Cookies {
        xcb_get_property_cookie_t netName;
        xcb_get_property_cookie_t name;
        xcb_get_property_cookie_t wmClass;
    };
    std::vector<Cookies> cookies;
    for (std::size_t first = 0; first < windows.size() && connection->usable();
         first += kTextBatch) {
        const std::size_t end = std::min(windows.size(), first + kTextBatch);
        cookies.clear();
        for (std::size_t i = first; i < end; ++i) {
            const WindowHandle window = windows[i];
            cookies.push_back(
                {connection->askProperty(window, x11::NetWmName, connection->atom(x11::Utf8String),
                                         kTitleUnits),
                 connection->askProperty(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY,
                                         kTitleUnits),
                 connection->askProperty(window, XCB_ATOM_WM_CLASS, XCB_GET_PROPERTY_TYPE_ANY,
                                         kClassUnits)});
        }
        for (std::size_t i = first; i < end; ++i) {
            const Cookies& asked = cookies[i - first];
            const auto netName = connection->property(asked.netName);
            const auto name = connection->property(asked.name);
            const auto wmClass = connection->property(asked.wmClass);
            if (windows[i] == XCB_WINDOW_NONE)
                continue;
            WindowText& text = result[i];
            if (x11::hasProperty(netName.get()) &&
                netName->type == connection->atom(x11::Utf8String)) {
                text.title = text::utf8Text(x11::propertyBytes(netName.get()));
            } else if (x11::hasProperty(name.get())) {
                text.title = name->type == XCB_ATOM_STRING
                                 ? text::stringText(x11::propertyBytes(name.get()))
                                 : text::utf8Text(x11::propertyBytes(name.get()));
            }
            if (x11::hasProperty(wmClass.get())) {
                const std::string_view part = text::classPart(x11::propertyBytes(wmClass.get()));
                text.className = wmClass->type == XCB_ATOM_STRING ? text::stringText(part)
                                                                  : text::utf8Text(part);
            }
        }
    }
    return result;
}

// The map makes a withdrawn window managed again and an iconic one Normal (ICCCM); the
// activation de-iconifies a managed top-level and raises it where the manager does so;
// the restack request raises it under the others and any other window among its siblings.
bool XcbWindowSystem::show(WindowHandle window, const WindowCheck& check) {
    const CallScope scope(m_connection, deadline());
    const Connection* connection = scope.connection();
    if (connection == nullptr || window == XCB_WINDOW_NONE)
        return false;
    const auto facts = factsToShow(*connection, window, check);
    if (!facts)
        return false;
    xcb_connection_t* xcb = connection->xcb();
    const auto remembered = m_hiddenPlaces.extract(window);
    xcb_map_window(xcb, window);
    // The manager handles the map first, then puts the frame back where it stood.
    if (!remembered.empty() && facts->managerRuns && !facts->mapped)
        x11::moveFrame(*connection, window, *remembered.mapped());
    if (facts->managed || (facts->managerRuns && facts->minimised))
        x11::activate(*connection, window);
    restackAbove(*connection, window);
    xcb_flush(xcb);
    return true;
}

bool XcbWindowSystem::hide(WindowHandle window, const WindowCheck& check) {
    const CallScope scope(m_connection, deadline());
    const Connection* connection = scope.connection();
    if (connection == nullptr || window == XCB_WINDOW_NONE)
        return false;
    const OwnerSource source = ownerSource(*connection);
    const CommandQuestions asked = askCommand(*connection, window, check, source, true);
    const auto facts = checkedFacts(*connection, window, check, asked, source);
    // The place is noted only for a window still on show.
    const bool note = facts && facts->managed && (facts->mapped || facts->minimised) &&
                      !m_hiddenPlaces.contains(window) && m_hiddenPlaces.size() < kRememberedPlaces;
    if (!note) {
        discardPlace(*connection, *asked.place);
    } else if (const auto place = x11::readPlace(*connection, window, *asked.place)) {
        m_hiddenPlaces.emplace(window, std::make_unique<x11::FramePlace>(*place));
    }
    if (!facts)
        return false;
    xcb_connection_t* xcb = connection->xcb();
    // A framed top-level is let go by its manager, which the hide waits for.
    const bool wait = facts->managed && facts->framed;
    if (wait)
        x11::watchStructure(*connection, window, true);
    xcb_unmap_window(xcb, window);
    if (facts->managed)
        x11::withdraw(*connection, window);
    if (wait) {
        ++m_withdrawalWaits;
        x11::awaitWithdrawal(*connection, window);
        x11::watchStructure(*connection, window, false);
    }
    xcb_flush(xcb);
    return true;
}

bool XcbWindowSystem::raise(WindowHandle window, const WindowCheck& check) {
    const CallScope scope(m_connection, deadline());
    const Connection* connection = scope.connection();
    if (connection == nullptr || window == XCB_WINDOW_NONE)
        return false;
    const auto facts = factsToShow(*connection, window, check);
    if (!facts)
        return false;
    if (facts->managed)
        x11::activate(*connection, window);
    restackAbove(*connection, window);
    xcb_flush(connection->xcb());
    return true;
}

}  // namespace pelorus::platform
