// The GUI tests run without a display unless one is chosen: Qt's offscreen
// platform with a screen the size of a common desktop (the default one is so
// small that a 200 % run would leave a window no room), and a private runtime
// folder as Qt wants it (mode 0700).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    std::string runtime = "/tmp/orx-gui-test-XXXXXX";
    const bool haveRuntime = mkdtemp(runtime.data()) != nullptr;
    if (haveRuntime)
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const std::string screens = runtime + "/offscreen.json";
    if (getenv("QT_QPA_PLATFORM") == nullptr) {
        std::ofstream(screens) << R"({"screens": [{"name": "desktop", "x": 0, "y": 0,)"
                               << R"( "width": 2560, "height": 1440, "logicalDpi": 96,)"
                               << R"( "logicalBaseDpi": 96}]})";
        const std::string platform = "offscreen:configfile=" + screens;
        setenv("QT_QPA_PLATFORM", haveRuntime ? platform.c_str() : "offscreen", 1);
    }
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    unlink(screens.c_str());
    rmdir(runtime.c_str());
    return result;
}
