#pragma once

// Link looks for peers by multicast on every network interface, so whatever
// enables it runs inside a network namespace of its own with loopback alone.

// Whether this process sees no network but loopback.
bool InPrivateNetwork();
// Runs this program again from the start inside a network namespace of its
// own with loopback alone, where one can be made (unshare -n, ip); returns
// only where it cannot, or where the program already runs in one.
void RunInPrivateNetwork(int argc, char* argv[]);
// Why no such namespace could be made here, for a skipped test; empty inside one.
const char* PrivateNetworkFailure();
