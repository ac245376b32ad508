// vesmor-tagforge: the window for writing and reading ISO 15693 transponders with a VESMOR
// reader/programmer.

#include "app/ui/tagforge_app.h"

int main(int argc, char** argv) {
    tagforge::ui::CVESMOR_TagforgeApp application(argc, argv);
    return application.Run();
}
