#pragma once

// Internal state of a DataSet, shared by dataset.cpp and field.cpp only.

#include "platform/data/dataset.h"
#include "platform/data/row_store.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gsf::data {

/// A row of the dataset, in the dataset's order. Its values are slot @c slot
/// of the store, which belongs to this row alone (so it also tells rows apart
/// while an ordered post moves them). logId is 0 for a row without pending
/// changes, else 1 + its index in the change log; baseKey orders rows of the
/// base so that a cancelled delete goes back to its place.
struct Row {
    std::uint32_t slot = 0;
    std::uint32_t logId = 0;
    std::uint32_t baseKey = 0;
};

/// Change-log record of one row, kept only for changed rows.
struct LogEntry {
    bool inserted = false; ///< the row is not in the base
    bool deleted = false;
    bool dead = false;         ///< inserted then deleted: no change left
    std::uint32_t base = 0;    ///< slot of the base values of a row that is in the base
    std::uint32_t baseKey = 0; ///< place of a deleted row
};

struct DataSet::Impl {
    explicit Impl(DataSet& owner) : self(owner) {}

    DataSet& self;
    std::vector<std::unique_ptr<Field>> fields;
    bool fieldsFromPacket = false;

    RowStore store; ///< the values of every row, and of the base of changed ones
    std::vector<Row> rows;
    int cursor = -1;
    bool bof = true;
    bool eof = true;
    DataSetState state = DataSetState::Inactive;

    std::vector<Value> buffer; ///< record being edited or inserted
    bool modified = false;
    int insertReturn = -1; ///< row current before an insert

    std::vector<LogEntry> log;
    bool logChanges = true;

    std::vector<std::string> order; ///< fields the rows are kept sorted by

    int disableCount = 0;
    std::uint64_t generation = 0; ///< bumped by every load and close
    int viewRow = -1;             ///< row that fields read, for DisplayTextAt

    std::vector<DataSource*> sources;

    bool editing() const { return state == DataSetState::Edit || state == DataSetState::Insert; }
    Value fieldValue(int index) const;
    bool fieldIsNull(int index) const;
    void setState(DataSetState next);
    void notifyDataSetChanged();
    void notifyRecordChanged(Field* field);
};

} // namespace gsf::data
