// SPDX-License-Identifier: GPL-3.0-or-later
// With KIV_FUZZ_LINKMAIN (compilers without libFuzzer) a fuzz target becomes
// a plain program that replays the files or folders named on its command
// line; under clang and libFuzzer this file is empty.
#ifdef KIV_FUZZ_LINKMAIN
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int RunFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 1;
    std::vector<uint8_t> bytes;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 0;
}

int main(int argc, char** argv) {
    int runs = 0, failures = 0;
    for (int a = 1; a < argc; ++a) {
        struct stat sb;
        if (::stat(argv[a], &sb) != 0) {
            ++failures;
            continue;
        }
        if (S_ISDIR(sb.st_mode)) {
            DIR* d = ::opendir(argv[a]);
            while (d) {
                dirent* e = ::readdir(d);
                if (!e) break;
                if (e->d_name[0] == '.') continue;
                failures += RunFile(std::string(argv[a]) + "/" + e->d_name);
                ++runs;
            }
            if (d) ::closedir(d);
        } else {
            failures += RunFile(argv[a]);
            ++runs;
        }
    }
    std::printf("replayed %d inputs\n", runs);
    return failures || runs == 0 ? 1 : 0;
}
#endif
