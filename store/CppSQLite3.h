#pragma once
// The SQLite access layer in one include: connection, cursor, materialised table, prepared
// statement and the exception they raise.
#include "store/CppSQLite3DB.h"
#include "store/CppSQLite3Exception.h"
#include "store/CppSQLite3Query.h"
#include "store/CppSQLite3Statement.h"
#include "store/CppSQLite3Table.h"
