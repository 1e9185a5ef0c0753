#pragma once

#include "platform/data/decoded_packet.h"
#include "platform/data/field.h"
#include "platform/data/field_key.h"
#include "platform/data/packet.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gsf::data {

enum class DataSetState { Inactive, Browse, Edit, Insert };

/// "inactive", "browse", "edit" or "insert".
const char* stateName(DataSetState state);

/// Listener of a data source; data-aware controls implement it. While the
/// dataset's controls are disabled (DisableControls) only stateChanged and
/// updateRecord reach the links; EnableControls back to zero sends
/// dataSetChanged.
class DataLink {
public:
    virtual ~DataLink() = default;
    virtual void stateChanged() {}
    /// The current record moved, or the rows were replaced.
    virtual void dataSetChanged() {}
    /// A field of the current record changed (nullptr: several fields).
    virtual void recordChanged(Field* field) { (void)field; }
    /// Asked at the start of a post: write any pending typed text into its field.
    virtual void updateRecord() {}
    /// Asked after updateRecord and before BeforePost: end any in-place editing.
    virtual void checkBrowseMode() {}
    /// Asked by Field::FocusControl; true when this link's control took the focus.
    virtual bool focusControl(Field& field)
    {
        (void)field;
        return false;
    }
};

class DataSet;

/// Connects controls to a dataset and reports its state changes.
class DataSource {
public:
    explicit DataSource(std::string name, DataSet* dataSet = nullptr);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    const std::string& Name() const { return name_; }
    DataSet* GetDataSet() const { return dataSet_; }
    void SetDataSet(DataSet* dataSet);
    /// The dataset's state; inactive without a dataset.
    DataSetState State() const;

    void addLink(DataLink* link);
    void removeLink(DataLink* link);
    const std::vector<DataLink*>& links() const { return links_; }

    /// Once per actual change of the dataset's state, whatever DisableControls holds.
    std::function<void(DataSource&)> OnStateChange;
    /// A field changed (field given) or the current record moved (nullptr).
    std::function<void(DataSource&, Field*)> OnDataChange;

private:
    friend class DataSet;
    std::string name_;
    DataSet* dataSet_ = nullptr;
    std::vector<DataLink*> links_;
};

/// In-memory table with persistent fields, loaded from a packet and written
/// back as a delta of its change log.
///
/// Event order (each "state" step is one OnStateChange of the data sources):
/// - SetData: BeforeClose, state inactive, AfterClose (these three only if
///   open), BeforeOpen, state browse, AfterOpen, AfterScroll (only if not empty)
/// - Close: BeforeClose, state inactive, AfterClose
/// - Insert/Append: BeforeInsert, BeforeScroll, state insert, AfterInsert, AfterScroll
/// - Edit: BeforeEdit, state edit, AfterEdit
/// - Post: BeforePost, state browse, AfterPost
/// - Cancel of an edit: BeforeCancel, state browse, AfterCancel
/// - Cancel of an insert: BeforeCancel, BeforeScroll, state browse, AfterCancel, AfterScroll
/// - Delete (browse): BeforeDelete, BeforeScroll, AfterDelete, AfterScroll
/// - First/Last/Next/Prior/Locate/MoveTo: BeforeScroll, AfterScroll; none when the cursor stays
///
/// A move, insert or delete started in edit or insert posts the pending
/// record first. A before-event that throws abandons the action and leaves
/// state, rows and cursor as they were. SetData while a record is being
/// edited drops it without cancel events. A dataset reloaded from inside its
/// own BeforePost completes that post without storing the record, stays in
/// browse with the reloaded rows and an empty change log, and still runs AfterPost.
/// A before-event that reloads or closes its own dataset ends the action there.
/// A BeforeOpen that throws leaves the dataset closed.
///
/// Operations that need an open dataset throw DataError while it is inactive.
class DataSet {
public:
    using Event = std::function<void(DataSet&)>;

    explicit DataSet(std::string name);
    ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    const std::string& Name() const { return name_; }
    std::string ProviderName; ///< declared provider name; informative only

    // --- field definitions ---
    /// Adds a persistent field. @throws DataError while active or for a name already used.
    Field& AddField(FieldDef def);
    /// @throws std::runtime_error naming the field when there is none.
    Field& FieldByName(std::string_view name) const;
    Field* FindField(std::string_view name) const;
    /// The same look-ups by a declared field.
    Field& FieldByName(FieldKey key) const { return FieldByName(std::string_view(key.name)); }
    Field* FindField(FieldKey key) const { return FindField(std::string_view(key.name)); }
    int FieldCount() const;
    Field& FieldAt(int index) const;

    // --- order ---
    /// Keeps the rows in ascending order of these fields, compared in turn:
    /// a null before any value, numbers by value, texts byte by byte; rows
    /// that compare equal keep the order they came in. A load sorts the
    /// packet's rows; a posted record moves to its place (the cursor goes
    /// with it, without scroll events); a record being inserted stays where
    /// Insert or Append put it until it is posted. Empty: the packet's order.
    /// @throws DataError while active, or naming a field the dataset does not have.
    void SetOrder(std::vector<std::string> fieldNames);
    const std::vector<std::string>& Order() const;

    // --- loading ---
    /// Replaces the rows with the packet's and opens the dataset on the first
    /// row. Every persistent field must be in the packet (matched by name,
    /// letter case ignored) with its type and size (columnMismatch); a
    /// dataset without persistent fields takes the packet's. @throws
    /// PacketError naming a missing field, a column declared otherwise than
    /// its field or a value of the wrong kind; the dataset is then left as it was.
    void SetData(Packet packet);
    /// Loads a decoded packet, checked as above, taking its rows as they are stored.
    void SetData(DecodedPacket packet);
    /// Decodes a JSON packet and loads it. @throws PacketError as above and
    /// as readPacket.
    void SetData(std::string_view json);
    void Close();

    // --- state and position ---
    bool Active() const;
    DataSetState State() const;
    bool IsEmpty() const;
    int RecordCount() const; ///< rows, the one being inserted included
    int RecNo() const;       ///< 1-based position of the current row; 0 when empty
    bool Bof() const;
    bool Eof() const;
    void First();
    void Last();
    void Next();
    void Prior();
    /// 1-based. While editing, the pending record is posted first and the
    /// cursor goes to the record that was at @p recNo when asked.
    void MoveTo(int recNo);
    /// Moves to the first row whose field equals @p value (texts compared
    /// without regard to letter case when asked). @return false and no move when none.
    bool Locate(std::string_view fieldName, const Value& value, bool caseInsensitive);
    bool Locate(FieldKey field, const Value& value, bool caseInsensitive)
    {
        return Locate(std::string_view(field.name), value, caseInsensitive);
    }

    // --- editing ---
    void Insert(); ///< new row before the current one
    void Append(); ///< new row at the end
    /// Edits the current row; on an empty dataset inserts instead.
    void Edit();
    /// Stores the record being edited or inserted; nothing in browse.
    /// @throws DataError naming a required field left null (record kept in edit).
    void Post();
    /// Drops the record being edited or inserted; nothing in browse.
    void Cancel();
    /// Deletes the current row; the cursor goes to the next one (the previous
    /// one when the last was deleted). @throws DataError when empty.
    void Delete();
    /// Posts a record being edited or inserted; nothing in browse.
    void CheckBrowseMode();
    bool Modified() const;

    // --- change log ---
    bool LogChanges() const;
    void SetLogChanges(bool on);
    int ChangeCount() const;
    /// The pending changes with the original values of each changed row, in
    /// the order each row was first changed. A row inserted and then deleted
    /// does not appear; a deleted row carries its original values.
    gsf::data::Delta Delta() const;
    /// Accepts the pending changes as the new base.
    void MergeChangeLog();
    /// Cancels a record being edited, drops the pending changes and restores
    /// the base, deleted rows included at their place.
    void CancelUpdates();

    // --- controls ---
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const;

    // --- read access to any row, for grids and dumps (0-based row index) ---
    Value ValueAt(int row, int fieldIndex) const;
    /// Display text of a field on any row, get-text hook included.
    std::string DisplayTextAt(int row, const Field& field) const;
    /// 0-based index of the current row; -1 when empty.
    int CurrentRow() const;

    Event BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    Event BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    Event BeforePost, AfterPost, BeforeCancel, AfterCancel;
    Event BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;

    // Used by Field and DataSource; not for screens.
    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    /// BeforeClose, rows and change log dropped, state inactive, AfterClose.
    /// A load notifies the links once it has opened again, a plain close at once.
    void closeRows(bool notifyLinks);

    std::string name_;
    std::unique_ptr<Impl> impl_;
};

} // namespace gsf::data
