#include "app/qt/corelink.h"

namespace kiv {

CoreLink& Core() {
    static CoreLink link;
    return link;
}

void InstallCoreLink() {}

}  // namespace kiv
