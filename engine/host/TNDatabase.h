// The saved-values store: one SQLite file of key/value text pairs, opened
// lazily on the first store (or the first load of an existing file).
#ifndef TN_DATABASE_H
#define TN_DATABASE_H

#include "lua.h"

struct sqlite3;

struct TNDatabase {
    char* path;
    sqlite3* db;
};

TNDatabase* TNDatabaseOpen(const char* path);
// Registers the "database" library with the record as shared upvalue.
void TNDatabaseLoadLib(TNDatabase* database, lua_State* L);
// Makes the "database" library of L find a closed store from now on.
void TNDatabaseDetachLib(lua_State* L);
void TNDatabaseClose(TNDatabase* database);

#endif
