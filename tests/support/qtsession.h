// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

namespace pelorus::testing {

/// The scale factor the Qt test main gives Qt (QT_SCALE_FACTOR); 0, the default, runs
/// at the platform's own scale. A test executable that is about scaling sets it from a
/// static initializer, before main runs; any other setting of the session is dropped.
int& requestedScaleFactor();

}  // namespace pelorus::testing
