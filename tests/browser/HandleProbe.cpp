// Prints what another process holds, for the end-to-end tests: {"ok": ..., "handles": N,
// "windows": N}. Usage: qv_handle_probe PID
#include <cstdio>
#include <cstdlib>

#include "ProcessCounts.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qv_handle_probe PID\n");
        return 2;
    }
    const qvtest::ProcessCounts counts = qvtest::CountProcess(std::strtoul(argv[1], nullptr, 10));
    std::printf("{\"ok\": %s, \"handles\": %lu, \"windows\": %lu}\n", counts.ok ? "true" : "false",
                counts.handles, counts.windows);
    return counts.ok ? 0 : 1;
}
