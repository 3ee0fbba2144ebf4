#include "host/TNDatabase.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "files/TNRegularFile.h"
#include "lauxlib.h"
#include "log/TNLog.h"
#include "lua/TNLuaArgs.h"

namespace {

const char* const kRegistryKey = "TNDatabase.store";

// The library's shared upvalue: a userdata holding the record pointer, or
// null once the store is closed.
TNDatabase* storeOf(lua_State* L)
{
    return *static_cast<TNDatabase**>(lua_touserdata(L, lua_upvalueindex(1)));
}

// Opens the file (creating it when missing) and makes sure the table
// exists. A file that cannot be opened leaves db null, so the next call
// tries again.
bool openConnection(TNDatabase* database)
{
    std::string reason;
    if (!TNIsRegularFileOrMissing(database->path, reason)) {
        TNLog("database: cannot open the saved-values file %s: %s", database->path, reason.c_str());
        return false;
    }
    if (sqlite3_open(database->path, &database->db) != SQLITE_OK) {
        TNLog("database: cannot open the saved-values file %s: %s", database->path,
              database->db ? sqlite3_errmsg(database->db) : "out of memory");
        sqlite3_close(database->db);
        database->db = nullptr;
        return false;
    }
    // Another process holding the file briefly must not cost a save.
    sqlite3_busy_timeout(database->db, 1000);
    char* error = nullptr;
    sqlite3_exec(database->db, "CREATE TABLE IF NOT EXISTS savedValues (key char(32) primary key, value char(32))",
                 nullptr, nullptr, &error);
    sqlite3_free(error);
    return true;
}

bool fileIsReadWrite(const char* path)
{
    return access(path, R_OK | W_OK) == 0;
}

// A Lua string argument with its length, or null (nil, booleans, tables).
struct Text {
    const char* bytes;
    size_t length;
};

Text textArgument(lua_State* L, int index)
{
    Text text{nullptr, 0};
    text.bytes = tn_tostring(L, index, &text.length);
    return text;
}

// Binds text (or SQL NULL) to parameter number of statement. Keys and values
// are bound with their length, so quotes and zero bytes are kept exactly.
void bindText(sqlite3_stmt* statement, int number, Text text)
{
    if (text.bytes)
        sqlite3_bind_text64(statement, number, text.bytes, text.length, SQLITE_TRANSIENT, SQLITE_UTF8);
    else
        sqlite3_bind_null(statement, number);
}

// A prepared statement, finalised on every way out (a Lua error included).
struct Finalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

// Prepares sql with the given texts bound in order; null on failure.
Statement prepare(TNDatabase* database, const char* sql, Text first, Text second = Text{nullptr, 0})
{
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(database->db, sql, static_cast<int>(std::strlen(sql)), &prepared, nullptr) != SQLITE_OK)
        return nullptr;
    Statement statement(prepared);
    bindText(prepared, 1, first);
    if (sqlite3_bind_parameter_count(prepared) > 1)
        bindText(prepared, 2, second);
    return statement;
}

const char* const kSelectValue = "SELECT value from savedValues WHERE key=?";
const char* const kUpdateValue = "UPDATE savedValues SET value=? WHERE key=?";
const char* const kInsertValue = "INSERT INTO savedValues (key, value) VALUES (?, ?)";

bool keyExists(TNDatabase* database, Text key)
{
    const Statement statement = prepare(database, kSelectValue, key);
    return statement && sqlite3_step(statement.get()) == SQLITE_ROW;
}

int database_storeValueForKey(lua_State* L)
{
    const Text value = textArgument(L, 1);
    const Text key = textArgument(L, 2);
    TNDatabase* database = storeOf(L);
    if (!database) {
        TNLog("database.storeValueForKey: the saved-values store is closed");
        return 0;
    }
    if (!key.bytes) {
        // Passed over with a line, as a lost save must not stop the game.
        TNLog("database.storeValueForKey: argument 2 must be a string or a number (got %s)", tn_typename(L, 2));
        return 0;
    }
    if (!database->db && !openConnection(database))
        return 0;

    // Each statement is its own transaction: the value is on disk on return.
    const Statement statement = keyExists(database, key) ? prepare(database, kUpdateValue, value, key)
                                                         : prepare(database, kInsertValue, key, value);
    const int status = statement ? sqlite3_step(statement.get()) : SQLITE_ERROR;
    if (status != SQLITE_DONE) {
        TNLog("database.storeValueForKey: could not save the value of '%s' in %s: %s", key.bytes, database->path,
              sqlite3_errmsg(database->db));
    }
    return 0;
}

int database_loadValueForKey(lua_State* L)
{
    const Text key = textArgument(L, 1);
    TNDatabase* database = storeOf(L);
    if (!database) {
        TNLog("database.loadValueForKey: the saved-values store is closed");
        lua_pushnil(L);
        return 1;
    }
    if (!database->db && (!fileIsReadWrite(database->path) || !openConnection(database))) {
        lua_pushnil(L);
        return 1;
    }
    const Statement statement = prepare(database, kSelectValue, key);
    const void* text = nullptr;
    if (statement && sqlite3_step(statement.get()) == SQLITE_ROW)
        text = sqlite3_column_text(statement.get(), 0);
    if (text)
        lua_pushlstring(L, static_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(statement.get(), 0)));
    else
        lua_pushnil(L);
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
