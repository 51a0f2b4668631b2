#include "gui/app/VorlaApplication.h"
#include "imaging/ThreadPolicy.h"

int main(int argc, char** argv) {
    vorla::UsePassiveThreadWait(argv);
    vorla::VorlaApplication app(argc, argv);
    if (!app.InitInstance()) return 0;
    return app.exec();
}
