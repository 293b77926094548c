#include "SingleInstance.h"
#include "Startup.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv) {
    const std::unique_ptr<QApplication> application = CreateApplication(argc, argv);
    LoadTranslations(*application);
    return RunProgram(*application, SingleInstance::DefaultDirectory());
}
