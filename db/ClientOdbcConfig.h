#pragma once
// The ODBC part of a server's client configuration: the [Odbc] group of
// "<client configuration folder>/<server>.ini", the same per-user file that
// keeps the two logins' enciphered passwords ([Logins]). A server whose file
// has that group is reached through ODBC; every other name is an embedded
// server's.
//
//   [Odbc]
//   Driver=FreeTDS                      the unixODBC driver name (odbcinst.ini)
//   Server=sqlhost\ERP                  "host", "host\instance" or "host,port";
//                                       the server's own name when left out
//   Options=TDS_Version=7.4;Encryption=require  more connection-string pairs
//   Dialect=SqlServer                   or SQLite: the SQLite ODBC driver on the
//   Files=DEMO                          files of the embedded server Files names

#include "platform/database/OdbcServers.h"

#include <optional>

namespace erpdb {

std::optional<OdbcServerConfig> ClientOdbcServer(const QString& server);
// Writes the [Odbc] group of a server's client configuration (tools and tests).
void WriteClientOdbcServer(const QString& server, const OdbcServerConfig& config);
// Makes ready to write a client configuration file, which holds the logins'
// passwords: its folder for the user alone (0700), the file made empty with mode
// 0600 when it does not exist, so that no write ever leaves it readable by others
// (QSettings writes a new file beside it and keeps the existing file's mode).
void PrepareClientFile(const QString& path);

}  // namespace erpdb
