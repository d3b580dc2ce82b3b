#pragma once

#include <QSqlError>

class QSqlDatabase;

// The history database's tables in one place: the version this program writes, kept in
// PRAGMA user_version, and the steps that bring a database of any older version up to it.
// A new database takes every step from version 0.
namespace HistorySchema {

// 1: the table of links made; 2: the searched texts folded and their index; 3: the folded
// texts end with two line breaks, and the index's terms can be listed.
constexpr int CurrentVersion = 3;

enum class Outcome { Current, Newer, Failed };

// Brings the database up to CurrentVersion in one write transaction, so that another copy of
// the program opening it at the same moment waits and then finds the work done. A database of
// a newer version is left as it is. On Failed, *error holds SQLite's error.
Outcome upgrade(const QSqlDatabase &database, QSqlError *error);

} // namespace HistorySchema
