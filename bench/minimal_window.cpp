// The plain baseline of the editor's start-up and memory (bench_start): a Qt
// program that shows an empty QMainWindow and, as the editor does when its
// benchmark asks (GRAFENTA_QUIT_WHEN_SHOWN), ends once the window is shown.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.show();
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return QApplication::exec();
}
