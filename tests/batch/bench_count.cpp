// trajetix-bench-count FILE: prints the line count of an address file, for timing
// the counter against other tools (bench/run).
#include <QCoreApplication>

#include <cstdio>

#include "batch/LineCounter.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: trajetix-bench-count FILE\n", stderr);
        return 2;
    }
    const std::optional<int> count = trajetix::countAddressLines(arguments.at(1));
    if (!count) {
        std::fputs("the file cannot be counted\n", stderr);
        return 1;
    }
    std::printf("%d\n", *count);
    return 0;
}
