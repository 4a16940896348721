#pragma once

#include <jack/jack.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// A JACK server of the test's own on the dummy backend, under a name of its
// own, with `period` frames a cycle. Ended with SIGTERM: killed outright it
// would leave its entry in JACK's registry, and too many such entries keep
// later servers from starting.
struct JackServer
{
    explicit JackServer(int period = 256)
    {
        using namespace std::chrono_literals;
        const std::string name = "velmora-test-" + std::to_string(::getpid());
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        jack_set_error_function([](const char*) {});  // each early try would print its failure
        const std::string command =
            "exec jackd -n " + name + " -r -d dummy -p " + std::to_string(period) + " >/dev/null 2>&1";
        const char* arguments[] = {"sh", "-c", command.c_str(), nullptr};
        if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(arguments), environ) != 0)
            pid = 0;
        for (auto waited = 0ms; pid != 0 && waited < 10s; waited += 50ms, std::this_thread::sleep_for(50ms)) {
            if (jack_client_t* probe = jack_client_open("probe", JackNoStartServer, nullptr)) {
                jack_client_close(probe);
                return;
            }
        }
        failure = "jackd -d dummy (Debian's jackd2) took no client within 10 s";
    }
    ~JackServer()
    {
        if (pid != 0 && kill(pid, SIGTERM) == 0)
            waitpid(pid, nullptr, 0);
    }

    pid_t pid = 0;
    std::string failure;
};
