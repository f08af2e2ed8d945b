#include <cstdio>

#include "app/render/SoundRender.hpp"

int main(int argc, char** argv) {
    // Writing the sound files needs nothing else of the app: no display, no window, no state.
    if (auto status = quorvel::SoundRender::renderIfRequested(argc, argv)) return *status;

    std::fprintf(stderr, "Quorvel: the app's windows and services are not built yet.\n");
    return 0;
}
