// The application object admits this class to its internals, so tests and
// benchmarks can do single steps of the start-up (or bend a value) without
// running the whole program.
#pragma once

#include "app/orbelApp.h"

namespace orbel {

class AppTestAccess {
public:
    // The resource module InitInstance would have loaded.
    static void setResourceModule(COrbelApp& app, HModule module) { app.m_hResModule = module; }
    // A tick period no mode has, for stress tests.
    static void setTickPeriod(COrbelApp& app, unsigned ms) {
        std::lock_guard lock(app.m_clockLock);
        app.m_tickPeriod = ms;
    }
};

} // namespace orbel
