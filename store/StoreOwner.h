#pragma once
// Who may use the shared connection. The window thread, the scan worker and the inserting
// thread share one SQLite connection; two rules keep that safe:
//   - while a scan holds the store (StoreHold on the scan's thread), no other thread calls it;
//     the inserting thread only steps the statements the scan prepared for it;
//   - nothing calls the store from inside SQLite's progress handler, where the window pumps
//     its events while a listing runs (SQLite forbids using the connection from there).
// Debug and sanitizer builds check both at every call on the shared connection and report a
// breach to the violation handler (by default: a message on stderr, then abort). In other
// builds the checks and the markers compile to nothing.
#include <string>

#if defined(TESSALY_STORE_CHECKS)
inline constexpr bool kStoreChecks = true;
#else
inline constexpr bool kStoreChecks = false;
#endif

// Receives the description of a breach; returning from it lets the call go on.
using StoreViolationHandler = void (*)(const std::string& message);
// Replaces the handler (nullptr restores the default) and returns the previous one.
StoreViolationHandler SetStoreViolationHandler(StoreViolationHandler handler);

#if defined(TESSALY_STORE_CHECKS)

// Checks the rules above for a call named call (the connection's operation).
void CheckStoreCall(const char* call);

// The calling thread holds the store from construction to destruction (a scan, which loads
// and repairs a table). Holds on one thread nest; a hold on a second thread is a breach.
class StoreHold {
public:
    StoreHold();
    ~StoreHold();
    StoreHold(const StoreHold&) = delete;
    StoreHold& operator=(const StoreHold&) = delete;

private:
    bool m_taken = false;
};

// Marks the calling thread as running inside SQLite's progress handler.
class InsideProgressHandler {
public:
    InsideProgressHandler();
    ~InsideProgressHandler();
    InsideProgressHandler(const InsideProgressHandler&) = delete;
    InsideProgressHandler& operator=(const InsideProgressHandler&) = delete;
};

#else

inline void CheckStoreCall(const char*) {}

class StoreHold {
public:
    StoreHold() {}
    ~StoreHold() {}
    StoreHold(const StoreHold&) = delete;
    StoreHold& operator=(const StoreHold&) = delete;
};

class InsideProgressHandler {
public:
    InsideProgressHandler() {}
    ~InsideProgressHandler() {}
    InsideProgressHandler(const InsideProgressHandler&) = delete;
    InsideProgressHandler& operator=(const InsideProgressHandler&) = delete;
};

#endif
