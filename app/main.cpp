// The program: Orvilant's window side over its model and in-process engine.

#include "app/CHalvionApp.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    orv::CHalvionApp app(std::move(arguments));
    return app.Run();
}
