// A fresh in-memory main database with a new state record and a FakeWindow,
// for every core test. Destroying it tears the main database down.
#pragma once

#include <memory>

#include "support/fake_window.h"

namespace kiv {

class TestDb {
public:
    TestDb();
    ~TestDb();
    FakeWindow win;
};

}  // namespace kiv
