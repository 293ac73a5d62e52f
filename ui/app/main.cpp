// tessaly: the recovery window.
#include "ui/app/CCorvaneApp.h"

int main(int argc, char** argv) {
    return CCorvaneApp::Main(argc, argv);
}
