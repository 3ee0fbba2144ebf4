#include "TNDatabase.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lauxlib.h"

namespace {

const char* const kRegistryKey = "TNDatabase.store";

// The library's shared upvalue: a userdata holding the record pointer, or
// null once the store is closed.
TNDatabase* storeOf(lua_State* L)
{
    return *static_cast<TNDatabase**>(lua_touserdata(L, lua_upvalueindex(1)));
}

void openConnection(TNDatabase* database)
{
    sqlite3_open(database->path, &database->db);
    char* error = nullptr;
    sqlite3_exec(database->db, "CREATE TABLE IF NOT EXISTS savedValues (key char(32) primary key, value char(32))",
                 nullptr, nullptr, &error);
    sqlite3_free(error);
}

bool fileIsReadWrite(const char* path)
{
    return access(path, R_OK | W_OK) == 0;
}

// Prepares "SELECT value ..." for key; the caller finalises the statement.
sqlite3_stmt* selectValue(TNDatabase* database, const char* key)
{
    char* sql = sqlite3_mprintf("SELECT value from savedValues WHERE key=%Q", key);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(database->db, sql, static_cast<int>(std::strlen(sql)), &statement, nullptr);
    sqlite3_free(sql);
    return statement;
}

int database_storeValueForKey(lua_State* L)
{
    const char* value = lua_tolstring(L, 1, nullptr);
    const char* key = lua_tolstring(L, 2, nullptr);
    TNDatabase* database = storeOf(L);
    if (!database) {
        std::fprintf(stderr, "database.storeValueForKey: the saved-values store is closed\n");
        return 0;
    }
    if (!database->db)
        openConnection(database);

    sqlite3_stmt* statement = selectValue(database, key);
    const bool exists = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);

    char* sql = exists ? sqlite3_mprintf("UPDATE savedValues SET value=%Q WHERE key=%Q", value, key)
                       : sqlite3_mprintf("INSERT INTO savedValues (key, value) VALUES (%Q, %Q)", key, value);
    char* error = nullptr;
    if (sqlite3_exec(database->db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "database.storeValueForKey: could not save the value of '%s' in %s: %s\n",
                     key ? key : "(nil)", database->path, error ? error : sqlite3_errmsg(database->db));
    }
    sqlite3_free(error);
    sqlite3_free(sql);
    return 0;
}

int database_loadValueForKey(lua_State* L)
{
    const char* key = lua_tolstring(L, 1, nullptr);
    TNDatabase* database = storeOf(L);
    if (!database) {
        std::fprintf(stderr, "database.loadValueForKey: the saved-values store is closed\n");
        lua_pushnil(L);
        return 1;
    }
    if (!database->db) {
        if (!fileIsReadWrite(database->path)) {
            lua_pushnil(L);
            return 1;
        }
        openConnection(database);
    }
    sqlite3_stmt* statement = selectValue(database, key);
    const unsigned char* text = nullptr;
    if (sqlite3_step(statement) == SQLITE_ROW)
        text = sqlite3_column_text(statement, 0);
    if (text)
        lua_pushstring(L, reinterpret_cast<const char*>(text));
    else
        lua_pushnil(L);
    sqlite3_finalize(statement);
    return 1;
}

const luaL_Reg database_functions[] = {
    {"loadValueForKey", database_loadValueForKey},
    {"storeValueForKey", database_storeValueForKey},
    {nullptr, nullptr},
};

}  // namespace

TNDatabase* TNDatabaseOpen(const char* path)
{
    auto* database = static_cast<TNDatabase*>(std::calloc(1, sizeof(TNDatabase)));
    database->path = strdup(path);
    return database;
}

void TNDatabaseLoadLib(TNDatabase* database, lua_State* L)
{
    auto** box = static_cast<TNDatabase**>(lua_newuserdata(L, sizeof(TNDatabase*)));
    *box = database;
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, kRegistryKey);
    luaL_openlib(L, "database", database_functions, 1);
    lua_pop(L, 1);
}

void TNDatabaseDetachLib(lua_State* L)
{
    lua_getfield(L, LUA_REGISTRYINDEX, kRegistryKey);
    if (auto** box = static_cast<TNDatabase**>(lua_touserdata(L, -1)))
        *box = nullptr;
    lua_pop(L, 1);
}

void TNDatabaseClose(TNDatabase* database)
{
    if (!database)
        return;
    if (database->db)
        sqlite3_close(database->db);
    std::free(database->path);
    std::free(database);
}
