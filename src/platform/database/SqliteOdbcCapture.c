/* A SQLite extension the SQLite ODBC driver loads into each connection it opens
   (its LoadExt option), so that the ODBC back end, in the same process, can
   reach the connection under the driver: to register the SQL functions the
   translated statements use and to run the embedded server's procedures in
   the same transaction. It only remembers the connection on this thread. */
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

static __thread sqlite3* g_last = 0;

__attribute__((visibility("default"))) sqlite3* quillon_odbc_take_connection(void)
{
    sqlite3* db = g_last;
    g_last = 0;
    return db;
}

__attribute__((visibility("default"))) int sqlite3_extension_init(sqlite3* db, char** error,
                                                                  const sqlite3_api_routines* api)
{
    SQLITE_EXTENSION_INIT2(api);
    (void)error;
    g_last = db;
    return SQLITE_OK;
}
