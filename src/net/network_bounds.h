// How long the installer waits for the network. Most machines that run an offline installer have a poor
// network or none, so no request may hold the run: every request has a deadline of its own, and the
// first contact, which finds out whether there is a network at all, has a short one.
#pragma once

#include <cstdint>

namespace net {

/// A request that may meet no network at all: the options document, the connection test.
inline constexpr std::uint32_t firstContactDeadlineMs = 600;
/// A request to the product's sites once the network has answered: the country, the banner.
inline constexpr std::uint32_t requestDeadlineMs = 3000;
/// After a deadline the request's handles are closed; its thread is given this long to end, and is
/// then left to end on its own (a name lookup cannot be interrupted).
inline constexpr std::uint32_t graceMs = 200;
/// At the end of the run, how long the requests left to end on their own are still waited for; the
/// process ends without its clean-up under one that still runs then. One grace more: a request that
/// keeps to its time-outs has ended by then, and one blocked in a silent name server or on a silent
/// server is not ended by any wait, so a longer one only delays every offline run.
inline constexpr std::uint32_t lastWaitMs = graceMs;

}  // namespace net
