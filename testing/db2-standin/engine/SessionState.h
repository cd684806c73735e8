#pragma once

// Private to the engine: the state of one session and the statement runner.

#include "Session.h"
#include "Storage.h"

#include <memory>
#include <string>

namespace db2s {

struct Session::State
{
    std::shared_ptr<Storage> storage;
    std::string database;
    std::string user;
    std::string schema; // CURRENT SCHEMA
    bool autocommit = true;
    bool transactionOpen = false; // a unit of work begun with autocommit off
    bool pendingChanges = false;
};

Outcome runStatement(Session::State& state, const std::string& sql);
std::vector<ColumnDesc> describeStatement(Session::State& state, const std::string& sql);

} // namespace db2s
