// The baseline of the command-line tool's start: a program that makes a
// QCoreApplication and ends, linked as the tool is (Qt Core, C++ runtime).
#include <QCoreApplication>

int main(int argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    return 0;
}
