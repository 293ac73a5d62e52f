#pragma once
// The one boundary between the engine's entry points and their callers: an entry point runs its
// job inside AtEntryBoundary, and whatever the job throws becomes a false result (a store that
// failed, a damaged structure that threw), except running out of memory, which ends the whole
// command rather than one call.
#include "store/CppSQLite3Exception.h"

#include <exception>
#include <new>
#include <utility>

template <typename Job> bool AtEntryBoundary(Job&& job) {
    try {
        return std::forward<Job>(job)();
    } catch (const CppSQLite3Exception&) {
        return false;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return false;
    }
}
