// Turns the agent's hooks on in the settings file under a given home, exactly as the app's
// "Turn on hooks" does, so a test can run the agent with the entries our installer writes.
//   agent_hook_installer <home>
#include <cstdio>

#include "app/install/HookInstaller.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <home>\n", argv[0]);
        return 2;
    }
    const quorvel::HookInstaller installer{quorvel::QuorvelPaths(argv[1])};
    if (auto installed = installer.installHooks(false); !installed) {
        std::fprintf(stderr, "Couldn't turn the hooks on: %s\n", installed.error().message().c_str());
        return 1;
    }
    return 0;
}
