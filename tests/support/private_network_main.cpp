#include "private_network.h"
#include "runtime_folder.h"

#include <QApplication>

#include <gtest/gtest.h>

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

bool ListsTestsOnly(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).starts_with("--gtest_list_tests"))
            return true;
    return false;
}

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

// Runs the tests again inside a private network namespace when one can be
// made, and here otherwise, where the tests that need one skip.
int main(int argc, char* argv[])
{
    if (!InPrivateNetwork() && !ListsTestsOnly(argc, argv) && !std::getenv(TriedVariable)
        && std::system("unshare -n true >/dev/null 2>&1") == 0) {
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    SetRuntimeFolderWhereUnset();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    return RUN_ALL_TESTS();
}
