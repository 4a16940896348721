#include "private_network.h"
#include "runtime_folder.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <string>

// Runs the tests again inside a private network namespace when one can be
// made, and here otherwise, where the tests that need one skip.
int main(int argc, char* argv[])
{
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::string(argv[i]).starts_with("--gtest_list_tests");
    if (!listing)
        RunInPrivateNetwork(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    SetRuntimeFolderWhereUnset();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    return RUN_ALL_TESTS();
}
