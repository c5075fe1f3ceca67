// Fuzzes the database file loader. A file that loads must serialise back to
// exactly its own bytes, and every unit reference in its state record must
// resolve or fail cleanly (database error "3"), never read out of bounds.
//
// Built with libFuzzer under clang; with KIV_FUZZ_LINKMAIN it is a plain
// program that replays the files or folders named on its command line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/state.h"

namespace {

int g_loaded = 0;  // inputs that loaded, for the replay summary

void ResolveStateReferences() {
    using namespace kiv;
    if (!LocateStateRecord()) return;
    std::vector<Uid> refs;
    for (int i = 0; i < so::kUserSlots; ++i) refs.push_back(State::userButton(i));
    refs.push_back(State::entryUnit());
    for (int i = 0; i < 2; ++i) refs.push_back(OwnedUnit(State::saved(i)));
    for (int i = 0; i < so::kMemoryCount; ++i) refs.push_back(OwnedUnit(State::memory(i)));
    for (int i = 0; i <= State::stackTop() && i < State::stackSize(); ++i)
        refs.push_back(OwnedUnit(State::stackEntry(i)));
    for (Uid u : refs) {
        if (u == NULL_UID) continue;
        const int index = PtrFromUID(u);
        if (index >= 0 && MainDb()->uid(index) != u) std::abort();
    }
    (void)State::entryText();
    ReleaseStateRecord();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kiv;
    auto db = std::make_unique<Database>();
    if (ParseDatabase(data, size, FourCC("Data"), FourCC("Kivc"), db.get()) != LoadStatus::Ok)
        return 0;
    const std::vector<uint8_t> again = SerializeDatabase(*db);
    if (again.size() != size || (size && std::memcmp(again.data(), data, size) != 0)) std::abort();
    ++g_loaded;
    SetMainDb(std::move(db));
    ResolveStateReferences();
    TakeMainDb();
    return 0;
}

#ifdef KIV_FUZZ_LINKMAIN
#include <dirent.h>
#include <sys/stat.h>

#include <string>

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
    std::printf("replayed %d inputs, %d loaded\n", runs, g_loaded);
    return failures || runs == 0 ? 1 : 0;
}
#endif
