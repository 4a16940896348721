#pragma once

// How the compose latency program starts: with the SoundFont loading in the
// background from start-up, as the program does, or cold, leaving the whole
// load to the first open.
struct ComposeLatencyOptions
{
    bool cold = false;
    // A user's pause between the trace and the press on the outline.
    int userPauseMs = 0;
};

void RegisterComposeLatencyBenchmarks(const ComposeLatencyOptions& options);
