// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <memory>

namespace pelorus::platform {

/// A walk over entries that the system delivers one at a time, in a fixed order.
/// Destroying the snapshot releases whatever it holds (directory handles, files).
template <class Entry>
class Snapshot {
public:
    virtual ~Snapshot() = default;

    /// Delivers the next entry into `out` and returns true; returns false at the end or
    /// when the snapshot could not be taken, leaving `out` as it was. Never throws.
    virtual bool next(Entry& out) = 0;

    /// Whether the walk ended at a bound of its own (how many entries or bytes it reads)
    /// while the system had more to give. Asked once next() has returned false; false for
    /// a walk that came to the system's end or could not be taken.
    virtual bool cutShort() const { return false; }
};

/// A snapshot that delivers nothing: what a walk gets when the system refuses it.
template <class Entry>
class EmptySnapshot final : public Snapshot<Entry> {
public:
    bool next(Entry&) override { return false; }
};

template <class Entry>
std::unique_ptr<Snapshot<Entry>> makeEmptySnapshot() {
    return std::make_unique<EmptySnapshot<Entry>>();
}

}  // namespace pelorus::platform
