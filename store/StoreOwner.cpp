#include "store/StoreOwner.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

void AbortOnViolation(const std::string& message) {
    std::fprintf(stderr, "tessaly: store used against its thread rules: %s\n", message.c_str());
    std::fflush(stderr);
    std::abort();
}

std::atomic<StoreViolationHandler> g_handler{&AbortOnViolation};

#if defined(TESSALY_STORE_CHECKS)

// The holding thread and how many holds it has open; guarded by g_holdLock.
std::mutex g_holdLock;
std::thread::id g_holder;
int g_holds = 0;
// Read at every call: whether any thread holds the store, so that calls outside a scan do not
// take the lock.
std::atomic<bool> g_held{false};

thread_local int t_insideProgressHandler = 0;

std::string ThreadName(std::thread::id id) {
    std::ostringstream out;
    out << id;
    return out.str();
}

void Report(const std::string& message) {
    g_handler.load()(message);
}

#endif

} // namespace

StoreViolationHandler SetStoreViolationHandler(StoreViolationHandler handler) {
    return g_handler.exchange(handler != nullptr ? handler : &AbortOnViolation);
}

#if defined(TESSALY_STORE_CHECKS)

void CheckStoreCall(const char* call) {
    if (t_insideProgressHandler > 0) {
        Report(std::string(call) + " called from inside SQLite's progress handler");
    }
    if (!g_held.load(std::memory_order_acquire)) return;
    std::thread::id holder;
    {
        std::lock_guard lock(g_holdLock);
        if (g_holds == 0) return;
        holder = g_holder;
    }
    const std::thread::id self = std::this_thread::get_id();
    if (holder != self) {
        Report(std::string(call) + " called on thread " + ThreadName(self) +
               " while a scan on thread " + ThreadName(holder) + " holds the store");
    }
}

StoreHold::StoreHold() {
    const std::thread::id self = std::this_thread::get_id();
    std::thread::id holder;
    {
        std::lock_guard lock(g_holdLock);
        if (g_holds == 0 || g_holder == self) {
            g_holder = self;
            ++g_holds;
            g_held.store(true, std::memory_order_release);
            m_taken = true;
            return;
        }
        holder = g_holder;
    }
    // The first scan keeps the store; this one goes on (if the handler returns) without it.
    Report("a scan on thread " + ThreadName(self) + " took the store while a scan on thread " +
           ThreadName(holder) + " holds it");
}

StoreHold::~StoreHold() {
    if (!m_taken) return;
    std::lock_guard lock(g_holdLock);
    if (--g_holds == 0) {
        g_holder = {};
        g_held.store(false, std::memory_order_release);
    }
}

InsideProgressHandler::InsideProgressHandler() {
    ++t_insideProgressHandler;
}

InsideProgressHandler::~InsideProgressHandler() {
    --t_insideProgressHandler;
}

#endif
