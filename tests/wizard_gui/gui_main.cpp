// The GUI tests run without a display unless one is chosen: Qt's offscreen
// platform, and a private runtime folder as Qt wants it (mode 0700).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <string>

int main(int argc, char** argv) {
    if (getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string runtime = "/tmp/orx-gui-test-XXXXXX";
    if (mkdtemp(runtime.data()) != nullptr)
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    rmdir(runtime.c_str());
    return result;
}
