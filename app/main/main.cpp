#include <cstdio>

int main(int, char**) {
    std::fprintf(stderr, "Quorvel: the app's windows and services are not built yet.\n");
    return 0;
}
