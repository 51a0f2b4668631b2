#include "gui/app/VorlaApplication.h"

int main(int argc, char** argv) {
    vorla::VorlaApplication app(argc, argv);
    if (!app.InitInstance()) return 0;
    return app.exec();
}
