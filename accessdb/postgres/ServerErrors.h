#pragma once

#include <libpq-fe.h>

#include <chrono>
#include <string>
#include <string_view>

#include "accessdb/DatabaseError.h"

// The one place where libpq's answers become DatabaseError: the server's SQLSTATE decides the
// code, the description says in Spanish what happened and what to do, and quotes the server's
// own words so that an administrator can tell the cases apart. Never 3021.
namespace accessdb::postgres {

// origin is where the connection string came from ("TARVO_DATABASE"), named in the texts.
DatabaseError AddressError(std::string_view parserMessage, const std::string& origin);
// A connection attempt that failed (connection is in CONNECTION_BAD).
DatabaseError ConnectError(const PGconn* connection, const std::string& origin);
// A statement the server refused (status PGRES_FATAL_ERROR), or a connection lost meanwhile.
DatabaseError StatementError(const PGconn* connection, const PGresult* result,
                             const std::string& origin);
// The connection broke while a statement was under way (no result to read).
DatabaseError LostError(const PGconn* connection, const std::string& origin);
// Nothing came back within the deadline; the connection has been closed.
DatabaseError NoAnswerError(std::chrono::milliseconds waited, const std::string& origin);
// The database has no Alumnos and Picadas tables and this connection may not create them.
DatabaseError TablesMissingError(const std::string& origin);
// The tables are at `version`, older than the program's, and this connection may not upgrade
// them.
DatabaseError OutdatedError(const std::string& origin, int version);
// This connection may not read the tables' version: the set-up script has not given the
// rights on the tables of this version.
DatabaseError VersionHiddenError(const std::string& origin);
// The tables are at a version newer than the program's (0 when the server only said so).
DatabaseError NewerError(const std::string& origin, int version);
// A commit the server answered with a rollback: an earlier statement had failed.
DatabaseError NotStoredError();

// The SQLSTATE that libpq's verbose text of a failed login carries ("FATAL:  28P01: ..."),
// or "" when the server was never reached.
std::string SqlStateOfConnectMessage(std::string_view message);

}  // namespace accessdb::postgres
