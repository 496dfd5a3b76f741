// Starts the program exactly as kvt does and prints how long it took from the launch (given
// by the benchmark script in KVT_LAUNCH_NS, nanoseconds of the real-time clock) until the main
// window was shown; then ends.
#include <QApplication>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "desktop/app.h"

static long long nowNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

int main(int argc, char** argv) {
    const char* launch = std::getenv("KVT_LAUNCH_NS");
    const long long launched = launch ? std::atoll(launch) : nowNs();
    return kvt::desktop::RunProgram(argc, argv, [launched](kvt::desktop::MainFrame&) {
        std::cout << "startup_ns " << (nowNs() - launched) << std::endl;
        QApplication::exit(0);
    });
}
