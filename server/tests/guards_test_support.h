#pragma once

#include "platform/data/packet.h"
#include "platform/sql/database.h"
#include "server/remote_module.h"
#include "tests/support/engine_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace gsf::server::testing {

/// Every row of every data table, each table sorted, as one text: equal
/// snapshots mean the database is row for row the same.
inline std::string snapshotOf(const std::string& target)
{
    auto db = gsf::sql::openDatabase(target);
    std::string out;
    for (const char* table :
         {"FILIAL", "CLIENTE", "SERVFILI", "SERVCLIE", "GRUPSERVFAT", "SERVGRUPFAT", "CORRPRECGRUP", "PARAMFATFILI"}) {
        std::vector<std::string> rows;
        for (const auto& row : db->Execute(std::string("SELECT * FROM ") + table).rows) {
            std::string line;
            for (const auto& cell : row) {
                if (const auto* s = std::get_if<std::string>(&cell))
                    line += "'" + *s + "'";
                else if (const auto* d = std::get_if<double>(&cell))
                    line += std::to_string(*d);
                else if (const auto* i = std::get_if<std::int64_t>(&cell))
                    line += std::to_string(*i);
                else
                    line += "null";
                line += '|';
            }
            rows.push_back(std::move(line));
        }
        std::sort(rows.begin(), rows.end());
        out += std::string(table) + ":\n";
        for (const auto& r : rows)
            out += r + "\n";
    }
    return out;
}

/// `{"args": [delta]}`.
inline std::string argsOf(const gsf::data::Delta& delta)
{
    return "{\"args\":[" + encodeDelta(delta) + "]}";
}

/// A demo database on each engine, with the remote module over it (reads not cached).
class GuardsTest : public gsf::test::DemoStorageTest {
protected:
    void SetUp() override
    {
        DemoStorageTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        module_ = std::make_unique<RemoteModule>(*storage_, false);
    }

    Reply call(std::string_view method, std::string_view body) { return module_->Call(method, body); }
    std::string snapshot() const { return snapshotOf(db_->target()); }
    /// Runs @p sql on a connection of its own, as an older program would have written the data.
    void seed(const std::string& sql) { gsf::sql::openDatabase(db_->target())->ExecuteScript(sql); }

    std::unique_ptr<RemoteModule> module_;
};

} // namespace gsf::server::testing
