#pragma once

// Link looks for peers by multicast on every network interface, so whatever
// enables it runs inside a network namespace of its own with loopback alone.

// Whether this process sees no network but loopback.
bool InPrivateNetwork();
// Why no such namespace could be made here, for a skipped test; empty inside one.
const char* PrivateNetworkFailure();
