#pragma once

// Internal state of a DataSet, shared by dataset.cpp and field.cpp only.

#include "platform/data/dataset.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gsf::data {

/// A stored row. logId is 0 for a row without pending changes, else 1 + its
/// index in the change log; baseKey orders rows of the base so that a
/// cancelled delete goes back to its place; serial is unique per row.
struct Row {
    std::vector<Value> values;
    std::uint32_t logId = 0;
    std::uint32_t baseKey = 0;
    std::uint64_t serial = 0;     ///< tells rows apart while an ordered post moves them
};

/// Change-log record of one row, kept only for changed rows.
struct LogEntry {
    bool inserted = false;        ///< the row is not in the base
    bool deleted = false;
    bool dead = false;            ///< inserted then deleted: no change left
    std::vector<Value> base;      ///< base values of a row that is in the base
    std::uint32_t baseKey = 0;    ///< place of a deleted row
};

struct DataSet::Impl {
    explicit Impl(DataSet& owner) : self(owner) {}

    DataSet& self;
    std::vector<std::unique_ptr<Field>> fields;
    bool fieldsFromPacket = false;

    std::vector<Row> rows;
    int cursor = -1;
    bool bof = true;
    bool eof = true;
    DataSetState state = DataSetState::Inactive;

    std::vector<Value> buffer;    ///< record being edited or inserted
    bool modified = false;
    int insertReturn = -1;        ///< row current before an insert

    std::vector<LogEntry> log;
    bool logChanges = true;

    std::vector<std::string> order; ///< fields the rows are kept sorted by
    std::uint64_t serials = 0;      ///< last Row::serial handed out

    int disableCount = 0;
    std::uint64_t generation = 0; ///< bumped by every load and close
    int viewRow = -1;             ///< row that fields read, for DisplayTextAt

    std::vector<DataSource*> sources;

    bool editing() const
    {
        return state == DataSetState::Edit || state == DataSetState::Insert;
    }
    const Value& fieldValue(int index) const;
    void setState(DataSetState next);
    void notifyDataSetChanged();
    void notifyRecordChanged(Field* field);
};

} // namespace gsf::data
