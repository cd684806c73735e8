#pragma once

#include "core/Side.h"
#include "db/Value.h"

#include <QString>
#include <utility>
#include <vector>

// The statements the two transfers send and how their texts are assembled. The
// builders append to one text variable, because that variable is what an error
// report shows after "sql: " at the moment of a failure.
//
// Names go between double quotes with every '"' inside doubled; values go as
// quoted literals with every "'" doubled, and only an SQL NULL is written as NULL.
// No text that unsendableReason refuses may reach a statement.
namespace Transfer {

// Why a name or value from a source cannot go into a statement toward the target;
// empty when it can. An unpaired UTF-16 surrogate is refused in both directions:
// it is no character, and a driver that converts the statement to UTF-8 joins a
// lone high surrogate with the unit after it, which may be the closing quote.
// Toward PostgreSQL a U+0000 is refused too: its text holds none, and the
// statement would end there.
QString unsendableReason(Side target, QStringView text);

// The text with every unpaired surrogate shown as U+FFFD, for a report.
QString shownText(const QString& text);

// How a value literal is written. Standard: '...' with each "'" doubled. Escape,
// for a PostgreSQL server whose standard_conforming_strings is off (a backslash
// in '...' then starts an escape there): E'...' with each "'" and each "\"
// doubled, which every such server reads the same whatever the setting.
enum class LiteralForm
{
    Standard,
    Escape
};

// SELECT * FROM "table"
QString readStatement(const QString& table);

// The lowercased name of an ADO data type code ("advarwchar" for 202), the form
// the column type tests take; the empty text for a code without a name.
QString columnTypeName(int adoTypeCode);

// The column type text for a lowercased type name: the first of the target's
// substring tests that the name passes decides, the last row applies when none
// does. Toward IBM DB2 " DATE," or " LONG VARCHAR,"; toward PostgreSQL " TEXT,",
// " NUMERIC,", " DATE," or " BOOL,". Each text starts with a blank and ends with
// the comma that separates the clauses.
QString columnTypeText(Side target, const QString& lowercasedTypeName);

// ")" toward IBM DB2, ");" toward PostgreSQL.
QString createTerminator(Side target);

// CREATE TABLE "table"(   -- replaces the text held in sql.
void beginCreateTable(QString& sql, const QString& table);
// "column" followed directly by the type text.
void appendColumnClause(QString& sql, const QString& column, const QString& typeText);
// Removes the last character (the comma of the last clause) and appends the terminator.
void endCreateTable(QString& sql, Side target);

// INSERT INTO "table" VALUES('   -- the head every row's text starts with.
QString insertHead(const QString& table);
// Replaces the text held in sql with the head, keeping the allocated capacity.
void beginInsert(QString& sql, const QString& head);
// NULL for an SQL NULL, otherwise the text as a quoted literal ('' for empty text).
void appendValue(QString& sql, const Value& value, LiteralForm form = LiteralForm::Standard);
// Removes the trailing ", '" and closes the value list.
void endInsert(QString& sql);

} // namespace Transfer
