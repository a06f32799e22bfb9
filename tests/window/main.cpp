#include <gtest/gtest.h>

#include <QApplication>

// Widgets need one application object for the whole run; each test makes its own
// window, ports and watchers.
int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
