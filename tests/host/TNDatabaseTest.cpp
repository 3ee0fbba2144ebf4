// The saved-values store with real SQLite files in a temporary folder.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <string>

#include "host/TNDatabase.h"
#include "ScriptedEngine.h"
#include "TestSupport.h"

using namespace tern_test;

namespace {

const char* const kEngine = "function initEngine() end\n";

// What another connection reads: the first column of each row, ";" between
// rows, NULL as "NULL".
std::string query(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    std::string rows;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    auto add = [](void* out, int, char** values, char**) {
        std::string& text = *static_cast<std::string*>(out);
        text += (text.empty() ? "" : ";") + std::string(values[0] ? values[0] : "NULL");
        return 0;
    };
    if (sqlite3_exec(db, sql.c_str(), add, &rows, nullptr) != SQLITE_OK)
        rows = std::string("error: ") + sqlite3_errmsg(db);
    sqlite3_close(db);
    return rows;
}

class SavedValues : public ::testing::Test {
protected:
    SavedValues() : path(dir.file("save.data")), engine(kEngine, path.c_str()) {}

    TempDir dir;
    std::string path;
    ScriptedEngine engine;
};

}  // namespace

TEST_F(SavedValues, FirstLaunchCreatesNothingUntilTheFirstStoreAndNumbersAreStoredAsText)
{
    EXPECT_EQ(engine.eval("database.loadValueForKey('x')"), "nil");
    EXPECT_FALSE(fileExists(path));
    engine.run("database.storeValueForKey('5', 'x')");
    EXPECT_EQ(query(path, "SELECT sql FROM sqlite_master WHERE name='savedValues'"),
              "CREATE TABLE savedValues (key char(32) primary key, value char(32))");
    EXPECT_EQ(engine.eval("database.loadValueForKey('x')"), "5");

    // Numbers, as values or keys, are stored as their text.
    engine.run("database.storeValueForKey(12.5, 'score') database.storeValueForKey('v', 7)");
    EXPECT_EQ(query(path, "SELECT typeof(value) || ':' || value FROM savedValues WHERE key='score'"), "text:12.5");
    EXPECT_EQ(engine.eval("type(database.loadValueForKey('score')) .. database.loadValueForKey('score')"), "string12.5");
    EXPECT_EQ(engine.eval("database.loadValueForKey(7)"), "v");
}

TEST_F(SavedValues, StoringAgainReplacesTheValueAndNilKeepsTheRowWithNull)
{
    engine.run("database.storeValueForKey('a', 'k') database.storeValueForKey('b', 'k')");
    EXPECT_EQ(query(path, "SELECT key || '=' || value FROM savedValues"), "k=b");
    EXPECT_EQ(engine.eval("database.loadValueForKey('k')"), "b");

    engine.run("database.storeValueForKey(nil, 'k') database.storeValueForKey(true, 'flag')");
    EXPECT_EQ(query(path, "SELECT key || ':' || ifnull(value, 'NULL') FROM savedValues ORDER BY key"), "flag:NULL;k:NULL");
    EXPECT_EQ(engine.eval("tostring(database.loadValueForKey('k')) .. tostring(database.loadValueForKey('flag'))"),
              "nilnil");
}

TEST_F(SavedValues, QuotesZeroBytesAndLongTextRoundTrip)
{
    engine.run(R"LUA(
        local big = string.rep("0123456789abcdef'\0", 10 * 1024 * 1024 / 18)
        keys = {"it's", "a\0b", "\0", "'; DROP TABLE savedValues; --", string.rep("k", 100)}
        values = {"'quoted' \"twice\"", "x\0y\0", "", big, string.rep("v", 33)}
        for i = 1, #keys do database.storeValueForKey(values[i], keys[i]) end
        same = 0
        for i = 1, #keys do
            if database.loadValueForKey(keys[i]) == values[i] then same = same + 1 end
        end
        -- A key that differs only after the zero byte is another key.
        other = database.loadValueForKey("a\0c"))LUA");
    EXPECT_EQ(engine.eval("same .. tostring(other)"), "5nil");
    EXPECT_EQ(query(path, "SELECT count(*) FROM savedValues"), "5");
    EXPECT_EQ(query(path, "SELECT length(CAST(value AS BLOB)) FROM savedValues WHERE key='''; DROP TABLE savedValues; --'"),
              std::to_string(10 * 1024 * 1024 / 18 * 18));
}

TEST_F(SavedValues, KeysThatAreNotTextAreRefusedWithALine)
{
    testing::internal::CaptureStderr();
    engine.run("database.storeValueForKey('x') database.storeValueForKey('x', {})");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "database.storeValueForKey: argument 2 must be a string or a number (got no value)\n"
              "database.storeValueForKey: argument 2 must be a string or a number (got table)\n");
    EXPECT_EQ(engine.eval("database.loadValueForKey(nil)"), "nil");
    EXPECT_FALSE(fileExists(path));
}

TEST_F(SavedValues, ASecondHostStateReadsWhatTheFirstStored)
{
    engine.run("database.storeValueForKey('from first', 'shared')");
    {
        ScriptedEngine second(kEngine, path.c_str());
        EXPECT_EQ(second.eval("database.loadValueForKey('shared')"), "from first");
        second.run("database.storeValueForKey('from second', 'shared')");
        EXPECT_EQ(engine.eval("database.loadValueForKey('shared')"), "from second");
    }
}

TEST(SavedValuesShutdown, CallsDuringShutdownDoNothing)
{
    TempDir dir;
    const std::string path = dir.file("save.data");
    const std::string script = std::string(kEngine) +
                               "function shutdownEngine()\n"
                               "  database.storeValueForKey('late', 'k')\n"
                               "  late = database.loadValueForKey('k')\n"
                               "  io.stderr:write('loaded ', tostring(late), '\\n')\n"
                               "end\n";
    ScriptedEngine engine(script, path.c_str());
    engine.run("database.storeValueForKey('early', 'k')");
    testing::internal::CaptureStderr();
    engine.destroy();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "database.storeValueForKey: the saved-values store is closed\n"
              "database.loadValueForKey: the saved-values store is closed\n"
              "loaded nil\n");
    EXPECT_EQ(query(path, "SELECT value FROM savedValues WHERE key='k'"), "early");
}

TEST(SavedValuesFailures, AnUnusableFileIsReportedAndTheGameGoesOn)
{
    TempDir dir;
    const std::string path = dir.file("missing-folder/save.data");
    ScriptedEngine engine(kEngine, path.c_str());
    testing::internal::CaptureStderr();
    engine.run("database.storeValueForKey('v', 'k')");
    EXPECT_EQ(engine.eval("database.loadValueForKey('k')"), "nil");
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("database: cannot open the saved-values file " + path), std::string::npos) << printed;
    // Once the folder exists the next store succeeds.
    ASSERT_EQ(mkdir(dir.file("missing-folder").c_str(), 0755), 0);
    engine.run("database.storeValueForKey('v', 'k')");
    EXPECT_EQ(engine.eval("database.loadValueForKey('k')"), "v");

    // A file that is not a database: stores fail with a line, loads give nil.
    const std::string junk = dir.file("junk.data");
    writeFile(junk, std::string(4096, 'j'));
    ScriptedEngine other(kEngine, junk.c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(other.eval("database.storeValueForKey('v', 'k') or database.loadValueForKey('k')"), "nil");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("database.storeValueForKey: could not save the value of 'k'"),
              std::string::npos);
}
