#pragma once

#include "platform/data/dataset.h"
#include "platform/sql/database.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gsf::sql {

/// The host's general data module: one connection to the host's database,
/// a SQLite file or a PostgreSQL server, as the host configuration names it.
class TdtmDBGeral {
public:
    /// Opens @p target (SQLite path or PostgreSQL connection string, see engineOf),
    /// closing any previous connection. @throws SqlError when it cannot be opened.
    void Open(const std::string& target);
    void Close();
    bool Connected() const { return connection_ != nullptr; }
    /// The database the host configuration named; empty before Open.
    const std::string& Target() const { return target_; }
    /// @throws SqlError when not connected.
    gsf::sql::Connection& Connection() const;

private:
    std::string target_;
    std::unique_ptr<gsf::sql::Connection> connection_;
};

/// The host's instance.
extern TdtmDBGeral dtmDBGeral;

/// Read-only query over the general data module's database, presented as a dataset.
///
/// The SQL text is kept as lines; `:NAME` placeholders take the values set
/// with SetParamAsString. Open runs the query and loads its rows with SetData:
/// columns are matched to the persistent fields by name and converted to
/// their types; without persistent fields every column becomes a text field.
/// Inserting, editing and deleting are refused (before-events that raise).
class TADOIBQuery : public gsf::data::DataSet {
public:
    explicit TADOIBQuery(std::string name, TdtmDBGeral* database = &dtmDBGeral);

    std::vector<std::string> SQL; ///< the query text, one entry per line

    void SetDatabase(TdtmDBGeral* database) { database_ = database; }
    /// Sets a parameter by name (without the colon, letter case ignored).
    void SetParamAsString(std::string_view name, std::string value);
    /// @throws std::runtime_error when the parameter was never set.
    const std::string& ParamAsString(std::string_view name) const;

    /// Runs the query and loads the rows; the dataset stays as it was on failure.
    /// @throws SqlError from the database, std::runtime_error for a parameter
    /// that was not set, gsf::data::PacketError for a persistent field the
    /// query does not return.
    void Open();

private:
    TdtmDBGeral* database_;
    std::map<std::string, std::string> params_;
};

} // namespace gsf::sql
