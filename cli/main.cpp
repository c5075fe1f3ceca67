// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <iostream>

#include "cli/kivconvert.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = kiv::cli::Run(args, std::cin, ::isatty(0) != 0, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : kiv::cli::kExitOther;
}
