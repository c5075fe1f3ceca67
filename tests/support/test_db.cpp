#include "support/test_db.h"

#include "storage/dbfile.h"
#include "storage/maindb.h"
#include "storage/state.h"
#include "units/holders.h"

namespace kiv {

TestDb::TestDb() {
    SetFileOps(DefaultFileOps());
    SetMainDb(std::make_unique<Database>(
        Database::MakeEmpty("kivDB", FourCC("Kivc"), FourCC("Data"))));
    CreateStateRecord();
    LocateStateRecord();
    ResetUidCache();
}

TestDb::~TestDb() {
    DeleteProcessWideUnits();
    ReleaseStateRecord();
    TakeMainDb();
}

}  // namespace kiv
