// The yardstick for the program's start-up: the smallest Qt Widgets program that shows
// a window, built in the same tree with the same flags and shown at the same size. What
// the program costs beyond this is its own.

#include <QApplication>
#include <QWidget>

namespace {

// The size of the program's own window, so both ask the same of the window system.
constexpr int kWidth = 748;
constexpr int kHeight = 344;

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(DIMRIX_BARE_WINDOW_TITLE);
    window.setFixedSize(kWidth, kHeight);
    window.show();
    return QApplication::exec();
}
