#include "private_network.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr const char* TriedVariable = "VELMORA_PRIVATE_NETWORK_TRIED";
// Loopback up, with a route for multicast, so two Link peers find each other on it.
constexpr const char* LoopbackOnly = "ip link set lo up && ip link set lo multicast on && "
                                     "ip route add 224.0.0.0/4 dev lo && exec \"$0\" \"$@\"";

} // namespace

// /proc/self/net/dev lists the interfaces of this process's own namespace
// (/sys/class/net would show those of whoever mounted /sys).
bool InPrivateNetwork()
{
    std::ifstream devices("/proc/self/net/dev");
    std::string line;
    int interfaces = 0;
    for (int row = 0; std::getline(devices, line); ++row) {
        const std::size_t colon = line.find(':');
        if (row < 2 || colon == std::string::npos)
            continue;
        const std::size_t name = line.find_first_not_of(' ');
        if (line.substr(name, colon - name) != "lo")
            return false;
        ++interfaces;
    }
    return interfaces == 1;
}

const char* PrivateNetworkFailure()
{
    return InPrivateNetwork() ? ""
                              : "no private network namespace with loopback alone could be made here (unshare -n "
                                "needs root or user namespaces, and ip from iproute2); Link is never tried on a real "
                                "network";
}

void RunInPrivateNetwork(int argc, char* argv[])
{
    if (InPrivateNetwork() || std::getenv(TriedVariable) || std::system("unshare -n true >/dev/null 2>&1") != 0)
        return;
    setenv(TriedVariable, "1", 1);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<char*> arguments{const_cast<char*>("unshare"), const_cast<char*>("-n"), const_cast<char*>("sh"),
                                 const_cast<char*>("-c"), const_cast<char*>(LoopbackOnly),
                                 const_cast<char*>(self.c_str())};
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    execvp("unshare", arguments.data());
}
