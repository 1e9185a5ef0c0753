#pragma once

// Small datasets and an event recorder shared by the dataset tests.

#include "platform/data/dataset.h"

#include <string>
#include <vector>

namespace gsf::data::testing {

inline FieldDef textField(std::string name, int size, std::string label = {})
{
    FieldDef def;
    def.name = std::move(name);
    def.size = size;
    def.label = std::move(label);
    return def;
}

inline FieldDef floatField(std::string name, std::string label, std::string format)
{
    FieldDef def;
    def.name = std::move(name);
    def.type = FieldType::Float;
    def.label = std::move(label);
    def.displayFormat = std::move(format);
    return def;
}

/// Group-like dataset: code string(3), description string(30), minimum float.
inline void defineGroups(DataSet& ds)
{
    ds.AddField(textField("CDGRSERVFAT", 3, "Código"));
    ds.AddField(textField("DSGRSERVFAT", 30, "Descrição"));
    ds.AddField(floatField("QTEFETMINIGSF", "Mín. Efet. por Dia", "#,##0.000"));
}

inline Packet groupsPacket(const std::vector<std::string>& codes)
{
    Packet p;
    p.fields = {{"CDGRSERVFAT", FieldType::String, 3},
                {"DSGRSERVFAT", FieldType::String, 30},
                {"QTEFETMINIGSF", FieldType::Float, 0}};
    double n = 1;
    for (const auto& code : codes)
        p.rows.push_back({code, "Grupo " + code, n++});
    return p;
}

inline std::vector<std::string> codes(const DataSet& ds)
{
    std::vector<std::string> out;
    for (int r = 0; r < ds.RecordCount(); ++r) {
        const Value& v = ds.ValueAt(r, 0);
        out.push_back(isNull(v) ? "<null>" : std::get<std::string>(v));
    }
    return out;
}

/// Records every event of a dataset and every state change seen by a data source.
class Recorder {
public:
    explicit Recorder(DataSet& ds) : source_("dts", &ds)
    {
        hook(ds.BeforeOpen, "BeforeOpen");
        hook(ds.AfterOpen, "AfterOpen");
        hook(ds.BeforeClose, "BeforeClose");
        hook(ds.AfterClose, "AfterClose");
        hook(ds.BeforeInsert, "BeforeInsert");
        hook(ds.AfterInsert, "AfterInsert");
        hook(ds.BeforeEdit, "BeforeEdit");
        hook(ds.AfterEdit, "AfterEdit");
        hook(ds.BeforePost, "BeforePost");
        hook(ds.AfterPost, "AfterPost");
        hook(ds.BeforeCancel, "BeforeCancel");
        hook(ds.AfterCancel, "AfterCancel");
        hook(ds.BeforeDelete, "BeforeDelete");
        hook(ds.AfterDelete, "AfterDelete");
        hook(ds.BeforeScroll, "BeforeScroll");
        hook(ds.AfterScroll, "AfterScroll");
        source_.OnStateChange = [this](DataSource& s) { log.push_back(std::string("state:") + stateName(s.State())); };
    }

    std::vector<std::string> take()
    {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }

    DataSource& source() { return source_; }
    std::vector<std::string> log;

private:
    void hook(DataSet::Event& event, const char* name)
    {
        event = [this, name](DataSet&) { log.emplace_back(name); };
    }

    DataSource source_;
};

/// Chains a handler after the recorder's one.
inline void also(DataSet::Event& event, DataSet::Event extra)
{
    auto first = event;
    event = [first, extra](DataSet& ds) {
        first(ds);
        extra(ds);
    };
}

} // namespace gsf::data::testing
