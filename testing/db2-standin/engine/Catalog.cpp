// The system catalog: the SYSIBM, SYSCAT and SYSSTAT objects that SQLTables
// lists, and the columns and SQLite sources of those that can be queried.

#include "Storage.h"

namespace db2s {

namespace {

ColType vc(long long length)
{
    return ColType{Kind::Varchar, length, 0};
}

ColType ch(long long length)
{
    return ColType{Kind::Char, length, 0};
}

ColType smallint()
{
    return ColType{Kind::Smallint, 0, 0};
}

ColType integer()
{
    return ColType{Kind::Integer, 0, 0};
}

Column col(const char* name, ColType type, bool nullable = false)
{
    Column c;
    c.name = name;
    c.type = type;
    c.nullable = nullable;
    return c;
}

} // namespace

// The catalog views the stand-in answers queries on, built over its own tables.
std::shared_ptr<Object> systemObject(const std::string& schema, const std::string& name)
{
    auto object = std::make_shared<Object>();
    object->schema = schema;
    object->name = name;
    object->type = ObjectType::System;
    if (schema == "SYSIBM" && name == "SYSDUMMY1") {
        object->columns = {col("IBMREQD", ch(1))};
        object->source = "(SELECT 'Y' AS c0)";
    } else if (schema == "SYSCAT" && name == "TABLES") {
        object->columns = {col("TABSCHEMA", vc(128)),
                           col("TABNAME", vc(128)),
                           col("OWNER", vc(128)),
                           col("TYPE", ch(1)),
                           col("STATUS", ch(1)),
                           col("BASE_TABSCHEMA", vc(128), true),
                           col("BASE_TABNAME", vc(128), true),
                           col("COLCOUNT", smallint()),
                           col("REMARKS", vc(254), true)};
        object->source =
            "(SELECT o.schema AS c0, o.name AS c1, o.schema AS c2, o.type AS c3, "
            "CASE WHEN o.valid THEN 'N' ELSE 'X' END AS c4, o.target_schema AS c5, "
            "o.target_name AS c6, (SELECT COUNT(*) FROM standin_columns k WHERE k.object_id = "
            "o.id) AS c7, o.remarks AS c8 FROM standin_objects o)";
    } else if (schema == "SYSCAT" && name == "COLUMNS") {
        object->columns = {col("TABSCHEMA", vc(128)), col("TABNAME", vc(128)),
                           col("COLNAME", vc(128)),   col("COLNO", smallint()),
                           col("TYPENAME", vc(128)),  col("LENGTH", integer()),
                           col("SCALE", smallint()),  col("NULLS", ch(1))};
        object->source =
            "(SELECT o.schema AS c0, o.name AS c1, k.name AS c2, k.colno AS c3, k.typename AS "
            "c4, k.catlength AS c5, k.scale AS c6, CASE WHEN k.nullable THEN 'Y' ELSE 'N' END "
            "AS c7 FROM standin_columns k JOIN standin_objects o ON o.id = k.object_id)";
    }
    // Anything else of these schemas is listed but not readable (SQL0551N).
    return object;
}

const std::vector<SystemObject>& systemObjects()
{
    static const std::vector<SystemObject> objects = {
        {"SYSIBM", "SYSCHECKS", "SYSTEM TABLE"},
        {"SYSIBM", "SYSCOLUMNS", "SYSTEM TABLE"},
        {"SYSIBM", "SYSDATATYPES", "SYSTEM TABLE"},
        {"SYSIBM", "SYSDBAUTH", "SYSTEM TABLE"},
        {"SYSIBM", "SYSDUMMY1", "SYSTEM TABLE"},
        {"SYSIBM", "SYSINDEXES", "SYSTEM TABLE"},
        {"SYSIBM", "SYSKEYCOLUSE", "SYSTEM TABLE"},
        {"SYSIBM", "SYSPLAN", "SYSTEM TABLE"},
        {"SYSIBM", "SYSRELS", "SYSTEM TABLE"},
        {"SYSIBM", "SYSROUTINES", "SYSTEM TABLE"},
        {"SYSIBM", "SYSSCHEMATA", "SYSTEM TABLE"},
        {"SYSIBM", "SYSSEQUENCES", "SYSTEM TABLE"},
        {"SYSIBM", "SYSTABAUTH", "SYSTEM TABLE"},
        {"SYSIBM", "SYSTABCONST", "SYSTEM TABLE"},
        {"SYSIBM", "SYSTABLES", "SYSTEM TABLE"},
        {"SYSIBM", "SYSTABLESPACES", "SYSTEM TABLE"},
        {"SYSIBM", "SYSTRIGGERS", "SYSTEM TABLE"},
        {"SYSIBM", "SYSUSERAUTH", "SYSTEM TABLE"},
        {"SYSIBM", "SYSVIEWDEP", "SYSTEM TABLE"},
        {"SYSIBM", "SYSVIEWS", "SYSTEM TABLE"},
        {"SYSCAT", "CHECKS", "VIEW"},
        {"SYSCAT", "COLUMNS", "VIEW"},
        {"SYSCAT", "DATATYPES", "VIEW"},
        {"SYSCAT", "DBAUTH", "VIEW"},
        {"SYSCAT", "INDEXES", "VIEW"},
        {"SYSCAT", "KEYCOLUSE", "VIEW"},
        {"SYSCAT", "PACKAGES", "VIEW"},
        {"SYSCAT", "REFERENCES", "VIEW"},
        {"SYSCAT", "ROUTINES", "VIEW"},
        {"SYSCAT", "SCHEMATA", "VIEW"},
        {"SYSCAT", "SEQUENCES", "VIEW"},
        {"SYSCAT", "TABAUTH", "VIEW"},
        {"SYSCAT", "TABCONST", "VIEW"},
        {"SYSCAT", "TABLES", "VIEW"},
        {"SYSCAT", "TABLESPACES", "VIEW"},
        {"SYSCAT", "TRIGGERS", "VIEW"},
        {"SYSCAT", "VIEWS", "VIEW"},
        {"SYSSTAT", "COLUMNS", "VIEW"},
        {"SYSSTAT", "INDEXES", "VIEW"},
        {"SYSSTAT", "TABLES", "VIEW"},
    };
    return objects;
}

} // namespace db2s
