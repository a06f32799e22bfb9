#include <gtest/gtest.h>

#include <QCoreApplication>

// QProcess and QTest::qWaitFor want an application object; no display is needed.
int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    const QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
