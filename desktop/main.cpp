#include "desktop/app.h"

int main(int argc, char** argv) {
    return kvt::desktop::RunProgram(argc, argv);
}
