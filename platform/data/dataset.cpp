#include "platform/data/dataset.h"

#include "platform/data/dataset_impl.h"
#include "platform/data/number_format.h"
#include "platform/data/packet_layout.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>

namespace gsf::data {

namespace {

using Impl = DataSet::Impl;

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Folds ASCII and Latin-1 letters ("Ã" and "ã" alike) for locate without case.
std::string foldCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC3 && i + 1 < text.size()) {
            auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97)
                next = static_cast<unsigned char>(next + 0x20);
            out += static_cast<char>(c);
            out += static_cast<char>(next);
            ++i;
        } else {
            out += static_cast<char>(std::tolower(c));
        }
    }
    return out;
}

std::uint32_t keySpacing(std::size_t count)
{
    const std::size_t room = std::numeric_limits<std::uint32_t>::max() / (count + 2);
    return static_cast<std::uint32_t>(std::clamp<std::size_t>(room, 1, 1024));
}

template <typename Handler, typename... Args>
void fire(const Handler& handler, Args&... args)
{
    if (handler)
        handler(args...);
}

} // namespace

const char* stateName(DataSetState state)
{
    switch (state) {
    case DataSetState::Inactive: return "inactive";
    case DataSetState::Browse: return "browse";
    case DataSetState::Edit: return "edit";
    case DataSetState::Insert: return "insert";
    }
    return "inactive";
}

// ---------------------------------------------------------------- Impl

Value Impl::fieldValue(int index) const
{
    if (viewRow >= 0)
        return self.ValueAt(viewRow, index);
    if (editing())
        return buffer[static_cast<std::size_t>(index)];
    if (cursor < 0)
        return {};
    return store.Get(rows[static_cast<std::size_t>(cursor)].slot, index);
}

bool Impl::fieldIsNull(int index) const
{
    if (viewRow >= 0)
        return isNull(self.ValueAt(viewRow, index));
    if (editing())
        return isNull(buffer[static_cast<std::size_t>(index)]);
    return cursor < 0 || store.IsNull(rows[static_cast<std::size_t>(cursor)].slot, index);
}

void Impl::setState(DataSetState next)
{
    if (state == next)
        return;
    state = next;
    for (DataSource* source : std::vector<DataSource*>(sources)) {
        for (DataLink* link : std::vector<DataLink*>(source->links_))
            link->stateChanged();
        if (source->OnStateChange)
            source->OnStateChange(*source);
    }
}

void Impl::notifyDataSetChanged()
{
    if (disableCount > 0)
        return;
    for (DataSource* source : std::vector<DataSource*>(sources)) {
        for (DataLink* link : std::vector<DataLink*>(source->links_))
            link->dataSetChanged();
        if (source->OnDataChange)
            source->OnDataChange(*source, nullptr);
    }
}

void Impl::notifyRecordChanged(Field* field)
{
    if (disableCount > 0)
        return;
    for (DataSource* source : std::vector<DataSource*>(sources)) {
        for (DataLink* link : std::vector<DataLink*>(source->links_))
            link->recordChanged(field);
        if (source->OnDataChange)
            source->OnDataChange(*source, field);
    }
}

namespace {

void checkActive(const Impl& d)
{
    if (d.state == DataSetState::Inactive)
        throw DataError("O conjunto de dados " + quoted(d.self.Name()) + " não está aberto.");
}

// Key for a row put at @p pos between its neighbours; renumbers the whole
// base when there is no room left between them.
void assignKey(Impl& d, std::size_t pos)
{
    const auto keyAt = [&d](std::size_t i) { return d.rows[i].baseKey; };
    const auto between = [&]() -> std::int64_t {
        const std::int64_t prev = pos > 0 ? keyAt(pos - 1) : 0;
        const std::int64_t next =
            pos + 1 < d.rows.size() ? keyAt(pos + 1) : prev + 2 * std::int64_t{keySpacing(d.rows.size())};
        return next - prev >= 2 && next <= std::numeric_limits<std::uint32_t>::max() ? (prev + next) / 2 : -1;
    };
    std::int64_t key = between();
    if (key < 0) {
        std::vector<std::uint32_t*> keys;
        for (std::size_t i = 0; i < d.rows.size(); ++i)
            if (i != pos)
                keys.push_back(&d.rows[i].baseKey);
        for (LogEntry& e : d.log)
            if (e.deleted && !e.inserted && !e.dead)
                keys.push_back(&e.baseKey);
        std::stable_sort(keys.begin(), keys.end(),
                         [](const std::uint32_t* a, const std::uint32_t* b) { return *a < *b; });
        const std::uint32_t spacing = keySpacing(keys.size() + 1);
        for (std::size_t i = 0; i < keys.size(); ++i)
            *keys[i] = static_cast<std::uint32_t>((i + 1) * spacing);
        key = between();
    }
    d.rows[pos].baseKey = static_cast<std::uint32_t>(std::max<std::int64_t>(key, 0));
}

std::uint32_t newLogEntry(Impl& d, LogEntry entry)
{
    d.log.push_back(std::move(entry));
    return static_cast<std::uint32_t>(d.log.size());
}

// Whether slot @p slot holds exactly the values of @p values.
bool holds(const Impl& d, std::uint32_t slot, const std::vector<Value>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!d.store.Holds(slot, static_cast<int>(i), values[i]))
            return false;
    return true;
}

void writeSlot(Impl& d, std::uint32_t slot, const std::vector<Value>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        d.store.Set(slot, static_cast<int>(i), values[i]);
}

std::vector<Value> valuesOf(const Impl& d, std::uint32_t slot)
{
    std::vector<Value> out;
    out.reserve(d.fields.size());
    for (int i = 0; i < d.store.Width(); ++i)
        out.push_back(d.store.Get(slot, i));
    return out;
}

// The row keeps its slot; the base values of a row changed for the first
// time go to a slot of their own, kept by its log entry.
void storeRecord(Impl& d)
{
    Row& row = d.rows[static_cast<std::size_t>(d.cursor)];
    if (d.state == DataSetState::Insert) {
        writeSlot(d, row.slot, d.buffer);
        if (d.logChanges)
            row.logId = newLogEntry(d, LogEntry{true, false, false, 0, 0});
    } else if (d.modified && !holds(d, row.slot, d.buffer)) {
        if (d.logChanges && row.logId == 0)
            row.logId = newLogEntry(d, LogEntry{false, false, false, d.store.CopySlot(row.slot), row.baseKey});
        writeSlot(d, row.slot, d.buffer);
    }
    d.buffer.clear();
    d.modified = false;
}

void removeRow(Impl& d, std::size_t pos)
{
    Row& row = d.rows[pos];
    if (row.logId != 0) {
        LogEntry& e = d.log[row.logId - 1];
        if (e.inserted || !d.logChanges)
            e.dead = true;
        else
            e.deleted = true;
    } else if (d.logChanges) {
        newLogEntry(d, LogEntry{false, true, false, row.slot, row.baseKey});
    }
    d.rows.erase(d.rows.begin() + static_cast<std::ptrdiff_t>(pos));
}

void renumberBase(Impl& d)
{
    const std::uint32_t spacing = keySpacing(d.rows.size());
    std::uint32_t key = 0;
    for (Row& row : d.rows) {
        key += spacing;
        row.baseKey = key;
        row.logId = 0;
    }
}

/// Strict "comes before" of two rows of one store by the order's columns.
class RowOrder {
public:
    RowOrder(const RowStore& store, std::vector<int> columns) : store_(store), columns_(std::move(columns)) {}
    bool empty() const { return columns_.empty(); }
    bool operator()(const Row& a, const Row& b) const
    {
        for (const int c : columns_)
            if (const int cmp = compareCells(store_, a.slot, store_, b.slot, c); cmp != 0)
                return cmp < 0;
        return false;
    }

private:
    const RowStore& store_;
    std::vector<int> columns_;
};

RowOrder rowOrder(const Impl& d)
{
    std::vector<int> columns;
    for (const std::string& name : d.order)
        if (const Field* field = d.self.FindField(name))
            columns.push_back(field->Index());
    return RowOrder(d.store, std::move(columns));
}

// Moves the current row to its place among the others, which are in order;
// a row already between its neighbours stays, so equal rows keep their order.
void placeCurrent(Impl& d)
{
    const RowOrder before = rowOrder(d);
    if (before.empty() || d.cursor < 0)
        return;
    const auto pos = static_cast<std::size_t>(d.cursor);
    const Row& current = d.rows[pos];
    const bool afterPrevious = pos == 0 || !before(current, d.rows[pos - 1]);
    const bool beforeNext = pos + 1 == d.rows.size() || !before(d.rows[pos + 1], current);
    if (afterPrevious && beforeNext)
        return;
    const Row row = current;
    d.rows.erase(d.rows.begin() + static_cast<std::ptrdiff_t>(pos));
    const auto at = std::upper_bound(d.rows.begin(), d.rows.end(), row, before);
    d.cursor = static_cast<int>(at - d.rows.begin());
    d.rows.insert(at, std::move(row));
}

} // namespace

// ---------------------------------------------------------------- DataSource

DataSource::DataSource(std::string name, DataSet* dataSet) : name_(std::move(name))
{
    SetDataSet(dataSet);
}

DataSource::~DataSource()
{
    // Links are not told: controls may already be gone at this point.
    if (dataSet_) {
        auto& list = dataSet_->impl().sources;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void DataSource::SetDataSet(DataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    const DataSetState before = State();
    if (dataSet_) {
        auto& list = dataSet_->impl().sources;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->impl().sources.push_back(this);
    if (State() != before) {
        for (DataLink* link : std::vector<DataLink*>(links_))
            link->stateChanged();
        if (OnStateChange)
            OnStateChange(*this);
    }
    for (DataLink* link : std::vector<DataLink*>(links_))
        link->dataSetChanged();
}

DataSetState DataSource::State() const
{
    return dataSet_ ? dataSet_->State() : DataSetState::Inactive;
}

void DataSource::addLink(DataLink* link)
{
    if (link && std::find(links_.begin(), links_.end(), link) == links_.end())
        links_.push_back(link);
}

void DataSource::removeLink(DataLink* link)
{
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

// ---------------------------------------------------------------- DataSet

DataSet::DataSet(std::string name) : name_(std::move(name)), impl_(std::make_unique<Impl>(*this)) {}

DataSet::~DataSet()
{
    for (DataSource* source : impl_->sources)
        source->dataSet_ = nullptr;
}

Field& DataSet::AddField(FieldDef def)
{
    Impl& d = *impl_;
    if (d.state != DataSetState::Inactive)
        throw DataError("Campos de " + quoted(name_) + " só podem ser definidos com ele fechado.");
    if (d.fieldsFromPacket) {
        d.fields.clear();
        d.fieldsFromPacket = false;
    }
    if (FindField(def.name))
        throw DataError("Campo " + quoted(def.name) + " já definido em " + quoted(name_) + ".");
    auto field = std::make_unique<Field>(*this, std::move(def));
    field->index_ = static_cast<int>(d.fields.size());
    d.fields.push_back(std::move(field));
    return *d.fields.back();
}

Field* DataSet::FindField(std::string_view name) const
{
    for (const auto& field : impl_->fields) {
        const std::string& own = field->FieldName();
        if (own.size() == name.size() && std::equal(own.begin(), own.end(), name.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
            }))
            return field.get();
    }
    return nullptr;
}

Field& DataSet::FieldByName(std::string_view name) const
{
    if (Field* field = FindField(name))
        return *field;
    throw DataError("Campo " + quoted(std::string(name)) + " não encontrado em " + quoted(name_) + ".");
}

int DataSet::FieldCount() const
{
    return static_cast<int>(impl_->fields.size());
}

Field& DataSet::FieldAt(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw std::out_of_range("field index out of range");
    return *impl_->fields[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------- order

void DataSet::SetOrder(std::vector<std::string> fieldNames)
{
    if (impl_->state != DataSetState::Inactive)
        throw DataError("A ordem de " + quoted(name_) + " só pode ser definida com ele fechado.");
    for (const std::string& name : fieldNames)
        FieldByName(name);
    impl_->order = std::move(fieldNames);
}

const std::vector<std::string>& DataSet::Order() const
{
    return impl_->order;
}

// ---------------------------------------------------------------- loading

void DataSet::SetData(std::string_view json)
{
    SetData(readPacket(json));
}

void DataSet::SetData(Packet packet)
{
    SetData(toDecoded(packet));
}

void DataSet::SetData(DecodedPacket packet)
{
    Impl& d = *impl_;
    // Everything is checked before anything changes, so that a refused
    // packet leaves the dataset as it was.
    bool takeLayout = d.fields.empty() || d.fieldsFromPacket;
    if (takeLayout && d.fieldsFromPacket && d.fields.size() == packet.fields.size()) {
        // Same layout as the last packet: keep the Field objects others hold.
        bool same = true;
        for (std::size_t i = 0; same && i < packet.fields.size(); ++i)
            same = d.fields[i]->FieldName() == packet.fields[i].name &&
                   d.fields[i]->DataType() == packet.fields[i].type && d.fields[i]->Size() == packet.fields[i].size;
        takeLayout = !same;
    }
    const bool ownLayout = d.fields.empty() || d.fieldsFromPacket;
    std::vector<int> columns;
    if (ownLayout) {
        for (std::size_t i = 0; i < packet.fields.size(); ++i)
            columns.push_back(static_cast<int>(i));
    } else {
        for (const auto& field : d.fields) {
            const int column = packet.indexOf(field->FieldName());
            if (column < 0)
                throw PacketError("Campo " + quoted(field->FieldName()) + " ausente no pacote de dados.");
            const std::string mismatch = columnMismatch(field->Def(), packet.fields[static_cast<std::size_t>(column)]);
            if (!mismatch.empty())
                throw PacketError(mismatch);
            columns.push_back(column);
        }
    }

    // The packet's store becomes the dataset's, its columns in the order of
    // the dataset's fields; the rows' texts are not copied either way.
    bool sameOrder = columns.size() == packet.fields.size();
    for (std::size_t i = 0; sameOrder && i < columns.size(); ++i)
        sameOrder = columns[i] == static_cast<int>(i);
    RowStore store = sameOrder ? std::move(packet.rows) : packet.rows.TakeColumns(columns);
    std::vector<Row> rows(store.Slots());
    for (std::uint32_t r = 0; r < rows.size(); ++r)
        rows[r].slot = r;
    if (!d.order.empty()) {
        // The columns follow the dataset's fields, or the packet's when it takes their layout.
        std::vector<int> sortColumns;
        for (const std::string& name : d.order) {
            const Field* field = ownLayout ? nullptr : FindField(name);
            const int column = ownLayout ? packet.indexOf(name) : (field ? field->Index() : -1);
            if (column >= 0)
                sortColumns.push_back(column);
        }
        std::stable_sort(rows.begin(), rows.end(), RowOrder(store, std::move(sortColumns)));
    }
    const std::uint32_t spacing = keySpacing(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        rows[r].baseKey = static_cast<std::uint32_t>((r + 1) * spacing);

    if (d.state != DataSetState::Inactive)
        closeRows(false);
    fire(BeforeOpen, *this);

    ++d.generation;
    if (takeLayout) {
        d.fields.clear();
        for (const PacketField& pf : packet.fields) {
            FieldDef def;
            def.name = pf.name;
            def.type = pf.type;
            def.size = pf.size;
            AddField(std::move(def));
        }
        d.fieldsFromPacket = true;
    }
    d.store = std::move(store);
    d.rows = std::move(rows);
    d.log.clear();
    d.buffer.clear();
    d.modified = false;
    d.cursor = d.rows.empty() ? -1 : 0;
    d.bof = true;
    d.eof = d.rows.empty();
    d.setState(DataSetState::Browse);
    d.notifyDataSetChanged();
    fire(AfterOpen, *this);
    if (!d.rows.empty())
        fire(AfterScroll, *this);
}

void DataSet::Close()
{
    if (impl_->state == DataSetState::Inactive)
        return;
    closeRows(true);
}

void DataSet::closeRows(bool notifyLinks)
{
    Impl& d = *impl_;
    fire(BeforeClose, *this);
    ++d.generation;
    d.buffer.clear();
    d.modified = false;
    d.rows.clear();
    d.log.clear();
    d.store = RowStore();
    d.cursor = -1;
    d.bof = d.eof = true;
    d.setState(DataSetState::Inactive);
    if (notifyLinks)
        d.notifyDataSetChanged();
    fire(AfterClose, *this);
}

// ---------------------------------------------------------------- state and position

bool DataSet::Active() const
{
    return impl_->state != DataSetState::Inactive;
}
DataSetState DataSet::State() const
{
    return impl_->state;
}
bool DataSet::IsEmpty() const
{
    return impl_->rows.empty();
}
int DataSet::RecordCount() const
{
    return static_cast<int>(impl_->rows.size());
}
int DataSet::RecNo() const
{
    return impl_->cursor + 1;
}
int DataSet::CurrentRow() const
{
    return impl_->cursor;
}
bool DataSet::Bof() const
{
    return impl_->bof;
}
bool DataSet::Eof() const
{
    return impl_->eof;
}

namespace {

// Moves the cursor with the scroll events; false when it stays where it was
// (no events then) or when BeforeScroll reloaded the dataset.
bool scrollTo(DataSet& ds, Impl& d, int target)
{
    checkActive(d);
    ds.CheckBrowseMode();
    if (d.rows.empty() || target == d.cursor)
        return false;
    const auto generation = d.generation;
    fire(ds.BeforeScroll, ds);
    if (d.generation != generation)
        return false;
    d.cursor = target;
    d.bof = d.eof = false;
    d.notifyDataSetChanged();
    fire(ds.AfterScroll, ds);
    return true;
}

} // namespace

void DataSet::First()
{
    scrollTo(*this, *impl_, 0);
    impl_->bof = true;
    impl_->eof = impl_->rows.empty();
}

void DataSet::Last()
{
    scrollTo(*this, *impl_, RecordCount() - 1);
    impl_->eof = true;
    impl_->bof = impl_->rows.empty();
}

// Next and Prior count from where the pending record is once it is posted:
// in an ordered dataset the post may move it.
void DataSet::Next()
{
    Impl& d = *impl_;
    CheckBrowseMode();
    if (d.cursor + 1 >= RecordCount()) {
        d.eof = true;
        return;
    }
    scrollTo(*this, d, d.cursor + 1);
}

void DataSet::Prior()
{
    Impl& d = *impl_;
    CheckBrowseMode();
    if (d.cursor <= 0) {
        d.bof = true;
        return;
    }
    scrollTo(*this, d, d.cursor - 1);
}

void DataSet::MoveTo(int recNo)
{
    Impl& d = *impl_;
    checkActive(d);
    int target = std::clamp(recNo, 1, std::max(RecordCount(), 1)) - 1;
    if (d.editing() && !d.order.empty()) {
        // The post may move rows; the move goes to the record that was asked for.
        const std::uint32_t slot = d.rows[static_cast<std::size_t>(target)].slot;
        const auto generation = d.generation;
        CheckBrowseMode();
        if (d.generation != generation)
            return;
        const auto at = std::find_if(d.rows.begin(), d.rows.end(), [slot](const Row& row) { return row.slot == slot; });
        target = at != d.rows.end() ? static_cast<int>(at - d.rows.begin()) : std::min(target, RecordCount() - 1);
    }
    scrollTo(*this, d, target);
}

bool DataSet::Locate(std::string_view fieldName, const Value& value, bool caseInsensitive)
{
    Impl& d = *impl_;
    checkActive(d);
    const Field& field = FieldByName(fieldName);
    CheckBrowseMode();

    Value wanted = value;
    if (field.DataType() == FieldType::Float) {
        if (const auto* s = std::get_if<std::string>(&value)) {
            const auto n = parseNumber(*s);
            wanted = n ? Value(*n) : Value();
            if (!n && !s->empty())
                return false;
        }
    } else if (const auto* n = std::get_if<double>(&value)) {
        wanted = plainNumber(*n);
    }
    const auto* wantedText = std::get_if<std::string>(&wanted);
    const bool fold = caseInsensitive && wantedText;
    const std::string folded = fold ? foldCase(*wantedText) : std::string();

    const int column = field.Index();
    for (std::size_t r = 0; r < d.rows.size(); ++r) {
        const std::uint32_t slot = d.rows[r].slot;
        const bool match = fold ? !d.store.IsNull(slot, column) && foldCase(d.store.Text(slot, column)) == folded
                                : d.store.Holds(slot, column, wanted);
        if (match) {
            scrollTo(*this, d, static_cast<int>(r));
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- editing

namespace {

void startInsert(DataSet& ds, Impl& d, bool append)
{
    checkActive(d);
    ds.CheckBrowseMode();
    const auto generation = d.generation;
    fire(ds.BeforeInsert, ds);
    if (d.generation != generation)
        return;
    fire(ds.BeforeScroll, ds);
    if (d.generation != generation)
        return;

    const std::size_t pos = append || d.cursor < 0 ? d.rows.size() : static_cast<std::size_t>(d.cursor);
    d.rows.insert(d.rows.begin() + static_cast<std::ptrdiff_t>(pos), Row{d.store.AddSlot(), 0, 0});
    assignKey(d, pos);
    d.insertReturn = d.cursor;
    d.cursor = static_cast<int>(pos);
    d.buffer.assign(d.fields.size(), Value());
    d.modified = false;
    d.bof = d.eof = false;
    d.setState(DataSetState::Insert);
    d.notifyDataSetChanged();
    fire(ds.AfterInsert, ds);
    fire(ds.AfterScroll, ds);
}

} // namespace

void DataSet::Insert()
{
    startInsert(*this, *impl_, false);
}

void DataSet::Append()
{
    startInsert(*this, *impl_, true);
}

void DataSet::Edit()
{
    Impl& d = *impl_;
    checkActive(d);
    if (d.editing())
        return;
    if (d.rows.empty()) {
        Insert();
        return;
    }
    const auto generation = d.generation;
    fire(BeforeEdit, *this);
    if (d.generation != generation)
        return;
    d.buffer = valuesOf(d, d.rows[static_cast<std::size_t>(d.cursor)].slot);
    d.modified = false;
    d.setState(DataSetState::Edit);
    fire(AfterEdit, *this);
}

void DataSet::Post()
{
    Impl& d = *impl_;
    if (!d.editing())
        return;
    for (DataSource* source : std::vector<DataSource*>(d.sources))
        for (DataLink* link : std::vector<DataLink*>(source->links_))
            link->updateRecord();
    for (DataSource* source : std::vector<DataSource*>(d.sources))
        for (DataLink* link : std::vector<DataLink*>(source->links_))
            link->checkBrowseMode();

    const auto generation = d.generation;
    fire(BeforePost, *this);
    // Reloaded (or closed) by its own BeforePost: the new rows already stand
    // for the server's state, so the record is not stored, but the post
    // still completes.
    if (d.generation != generation || !d.editing()) {
        fire(AfterPost, *this);
        return;
    }
    for (const auto& field : d.fields)
        if (field->Def().required && isNull(d.buffer[static_cast<std::size_t>(field->Index())]))
            throw DataError("O campo " + quoted(field->DisplayLabel()) + " deve ser informado.");

    storeRecord(d);
    placeCurrent(d);
    d.setState(DataSetState::Browse);
    d.notifyDataSetChanged();
    fire(AfterPost, *this);
}

void DataSet::Cancel()
{
    Impl& d = *impl_;
    if (!d.editing())
        return;
    const auto generation = d.generation;
    fire(BeforeCancel, *this);
    if (d.generation != generation || !d.editing())
        return;
    if (d.state == DataSetState::Edit) {
        d.buffer.clear();
        d.modified = false;
        d.setState(DataSetState::Browse);
        d.notifyDataSetChanged();
        fire(AfterCancel, *this);
        return;
    }
    fire(BeforeScroll, *this);
    if (d.generation != generation || !d.editing())
        return;
    d.rows.erase(d.rows.begin() + d.cursor);
    d.cursor = d.rows.empty() ? -1 : std::clamp(d.insertReturn, 0, RecordCount() - 1);
    d.bof = d.eof = d.rows.empty();
    d.buffer.clear();
    d.modified = false;
    d.setState(DataSetState::Browse);
    d.notifyDataSetChanged();
    fire(AfterCancel, *this);
    fire(AfterScroll, *this);
}

void DataSet::Delete()
{
    Impl& d = *impl_;
    checkActive(d);
    CheckBrowseMode();
    if (d.rows.empty())
        throw DataError("Não há registro para excluir em " + quoted(name_) + ".");
    const auto generation = d.generation;
    fire(BeforeDelete, *this);
    if (d.generation != generation)
        return;
    fire(BeforeScroll, *this);
    if (d.generation != generation)
        return;
    removeRow(d, static_cast<std::size_t>(d.cursor));
    d.cursor = std::min(d.cursor, RecordCount() - 1);
    d.bof = d.eof = d.rows.empty();
    d.notifyDataSetChanged();
    fire(AfterDelete, *this);
    fire(AfterScroll, *this);
}

void DataSet::CheckBrowseMode()
{
    checkActive(*impl_);
    if (impl_->editing())
        Post();
}

bool DataSet::Modified() const
{
    return impl_->modified;
}

// ---------------------------------------------------------------- change log

bool DataSet::LogChanges() const
{
    return impl_->logChanges;
}
void DataSet::SetLogChanges(bool on)
{
    impl_->logChanges = on;
}

int DataSet::ChangeCount() const
{
    return static_cast<int>(
        std::count_if(impl_->log.begin(), impl_->log.end(), [](const LogEntry& e) { return !e.dead; }));
}

Delta DataSet::Delta() const
{
    const Impl& d = *impl_;
    gsf::data::Delta delta;
    for (const auto& field : d.fields)
        delta.fields.push_back(PacketField{field->FieldName(), field->DataType(), field->Size()});
    std::vector<std::size_t> rowOf(d.log.size(), 0);
    for (std::size_t r = 0; r < d.rows.size(); ++r)
        if (d.rows[r].logId != 0)
            rowOf[d.rows[r].logId - 1] = r;
    for (std::size_t i = 0; i < d.log.size(); ++i) {
        const LogEntry& e = d.log[i];
        if (e.dead)
            continue;
        Change change;
        if (e.deleted) {
            change.kind = ChangeKind::Delete;
            change.oldValues = valuesOf(d, e.base);
        } else if (e.inserted) {
            change.kind = ChangeKind::Insert;
            change.newValues = valuesOf(d, d.rows[rowOf[i]].slot);
        } else {
            change.kind = ChangeKind::Update;
            change.oldValues = valuesOf(d, e.base);
            change.newValues = valuesOf(d, d.rows[rowOf[i]].slot);
        }
        delta.changes.push_back(std::move(change));
    }
    return delta;
}

void DataSet::MergeChangeLog()
{
    renumberBase(*impl_);
    impl_->log.clear();
}

void DataSet::CancelUpdates()
{
    Impl& d = *impl_;
    if (d.editing())
        Cancel();
    if (d.editing() || d.log.empty())
        return;
    const std::uint32_t currentKey = d.cursor >= 0 ? d.rows[static_cast<std::size_t>(d.cursor)].baseKey : 0;

    std::vector<Row> rows;
    rows.reserve(d.rows.size() + d.log.size());
    for (Row& row : d.rows) {
        if (row.logId != 0) {
            LogEntry& e = d.log[row.logId - 1];
            if (e.inserted)
                continue;
            row.slot = e.base;
            row.logId = 0;
        }
        rows.push_back(row);
    }
    for (const LogEntry& e : d.log)
        if (e.deleted && !e.inserted && !e.dead)
            rows.push_back(Row{e.base, 0, e.baseKey});
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.baseKey < b.baseKey; });
    d.rows = std::move(rows);
    d.log.clear();

    const auto at = std::lower_bound(d.rows.begin(), d.rows.end(), currentKey,
                                     [](const Row& row, std::uint32_t key) { return row.baseKey < key; });
    d.cursor = d.rows.empty() ? -1 : static_cast<int>(std::min<std::ptrdiff_t>(at - d.rows.begin(), RecordCount() - 1));
    d.bof = d.eof = d.rows.empty();
    d.notifyDataSetChanged();
}

// ---------------------------------------------------------------- controls

void DataSet::DisableControls()
{
    ++impl_->disableCount;
}

void DataSet::EnableControls()
{
    Impl& d = *impl_;
    if (d.disableCount == 0)
        return;
    if (--d.disableCount == 0)
        d.notifyDataSetChanged();
}

bool DataSet::ControlsDisabled() const
{
    return impl_->disableCount > 0;
}

// ---------------------------------------------------------------- any row

Value DataSet::ValueAt(int row, int fieldIndex) const
{
    const Impl& d = *impl_;
    if (row < 0 || row >= RecordCount() || fieldIndex < 0 || fieldIndex >= FieldCount())
        throw std::out_of_range("row or field index out of range in " + name_);
    if (d.editing() && row == d.cursor)
        return d.buffer[static_cast<std::size_t>(fieldIndex)];
    return d.store.Get(d.rows[static_cast<std::size_t>(row)].slot, fieldIndex);
}

std::string DataSet::DisplayTextAt(int row, const Field& field) const
{
    ValueAt(row, field.Index());
    Impl& d = *impl_;
    const int saved = d.viewRow;
    d.viewRow = row;
    try {
        std::string text = field.DisplayText();
        d.viewRow = saved;
        return text;
    } catch (...) {
        d.viewRow = saved;
        throw;
    }
}

} // namespace gsf::data
